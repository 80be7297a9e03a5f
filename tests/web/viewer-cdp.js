// The replay viewer in headless Chromium, driven through the DevTools
// protocol:
//   node viewer-cdp.js CHROMIUM FOURFALL_REPLAY BASE_URL JOBS OUT_FOLDER PROFILE_FOLDER
// JOBS has a line "ID GAME REPLAY_FILE" per verified result. For each, the
// page /watch/ID is opened and paused with P, then moved with the seek bar,
// the step buttons, the step and arrow keys, End and a moment of play at 8
// times the pace; after every move the state the page shows
// (window.tumbletownState()) must equal what fourfall-replay prints for the
// same replay cut after the same operation. Then the figures: the transfer
// and the time to the first board (cold, with the cache switched off, and a
// second visit that must load nothing again), the end of the first game as a
// screenshot (OUT_FOLDER/viewer-end.png) with its cell centres in
// OUT_FOLDER/viewer-end-cells.json, and the page at 390 px
// (OUT_FOLDER/viewer-390.png), which must fit without scrolling sideways.
// Prints one line per check and "figures ..." lines; exits 1 on any mismatch.
'use strict';
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');

const [chromium, replayTool, baseUrl, jobsFile, outFolder, profile] = process.argv.slice(2);
const failures = [];
const fail = (text) => {
  failures.push(text);
  console.log('FAIL ' + text);
};

// Chromium with its DevTools protocol on a pipe (file descriptors 3 and 4,
// one JSON message per NUL-ended record): no port, and no WebSocket client,
// which Debian's node lacks.
function startBrowser(onEvent) {
  const browser = spawn(
    chromium,
    [
      '--headless',
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
      '--no-first-run',
      '--hide-scrollbars',
      '--user-data-dir=' + profile,
      '--remote-debugging-pipe',
      'about:blank',
    ],
    { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] },
  );
  const toBrowser = browser.stdio[3];
  const fromBrowser = browser.stdio[4];
  let nextId = 1;
  const waiting = new Map();
  let pending = Buffer.alloc(0);
  fromBrowser.on('data', (chunk) => {
    pending = Buffer.concat([pending, chunk]);
    for (let end = pending.indexOf(0); end >= 0; end = pending.indexOf(0)) {
      const message = JSON.parse(pending.subarray(0, end).toString('utf8'));
      pending = pending.subarray(end + 1);
      if (message.method !== undefined) onEvent(message);
      if (message.id !== undefined && waiting.has(message.id)) {
        const { resolve, reject } = waiting.get(message.id);
        waiting.delete(message.id);
        if (message.error) reject(new Error(JSON.stringify(message.error)));
        else resolve(message.result);
      }
    }
  });
  browser.on('exit', () => {
    for (const { reject } of waiting.values()) reject(new Error('chromium ended'));
    waiting.clear();
  });
  const send = (method, params = {}, sessionId = undefined) =>
    new Promise((resolve, reject) => {
      const id = nextId++;
      waiting.set(id, { resolve, reject });
      toBrowser.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    });
  return { browser, send };
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The replay's text up to and with its nth operation, then "print".
function cutAfter(text, n) {
  const out = [];
  let ops = 0;
  for (const line of text.split('\n')) {
    if (line === 'print' || line === '') break;
    if (line.startsWith('at ') && ops++ >= n) break;
    out.push(line);
  }
  return out.join('\n') + '\nprint\n';
}

function toolState(text, n) {
  return JSON.parse(execFileSync(replayTool, { input: cutAfter(text, n) }).toString());
}

const fields = ['status', 'score', 'level', 'linesLeft', 'board', 'next'];

async function main() {
  // The page runs under its policy with nothing refused and nothing thrown.
  const { browser, send } = startBrowser((event) => {
    const entry = event.params && event.params.entry;
    if (event.method === 'Log.entryAdded' && (entry.source === 'security' || /Content.Security.Policy/i.test(entry.text)))
      fail('refused by the policy: ' + entry.text);
    if (event.method === 'Runtime.exceptionThrown')
      fail('the page threw: ' + JSON.stringify(event.params.exceptionDetails).slice(0, 400));
  });
  try {
    const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
    const page = (method, params) => send(method, params, sessionId);
    await page('Page.enable');
    await page('Network.enable');
    await page('Log.enable');
    await page('Runtime.enable');
    const evaluate = async (expression) => {
      const r = await page('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
      if (r.exceptionDetails) throw new Error(expression + ': ' + JSON.stringify(r.exceptionDetails));
      return r.result.value;
    };
    const key = async (keyName, code, text) => {
      await page('Input.dispatchKeyEvent', { type: 'keyDown', key: keyName, code, text, windowsVirtualKeyCode: 0 });
      await page('Input.dispatchKeyEvent', { type: 'keyUp', key: keyName, code });
    };
    const open = async (url) => {
      await page('Page.navigate', { url });
      for (let i = 0; i < 400; ++i) {
        await sleep(25);
        const ready = await evaluate(
          'typeof window.tumbletownState === "function" && window.tumbletownState() !== null',
        ).catch(() => false);
        if (ready) return;
      }
      const message = await evaluate('document.getElementById("message") && document.getElementById("message").textContent').catch(() => '');
      throw new Error(url + ' showed no board: ' + message);
    };
    const state = () => evaluate('window.tumbletownState()');

    const jobs = fs
      .readFileSync(jobsFile, 'utf8')
      .split('\n')
      .filter((line) => line.trim() !== '')
      .map((line) => {
        const [id, game, file] = line.split(' ');
        return { id, game, text: fs.readFileSync(file, 'latin1') };
      });

    // The figures, first: a visit with nothing cached.
    const measure = async () =>
      evaluate(`(() => {
        const entries = [performance.getEntriesByType('navigation')[0], ...performance.getEntriesByType('resource')];
        const mark = performance.getEntriesByName('tumbletown-first-board')[0];
        return { firstBoardMs: mark ? mark.startTime : -1,
                 files: entries.map((e) => ({ name: e.name.replace(location.origin, ''), transfer: e.transferSize,
                                              start: Math.round(e.startTime), end: Math.round(e.responseEnd),
                                              body: e.encodedBodySize, status: e.responseStatus })) };
      })()`);
    const first = `${baseUrl}/watch/${jobs[0].id}`;
    const sum = (files, keep) => files.filter(keep).reduce((n, f) => n + f.transfer, 0);
    const viewerOnly = (f) => !f.name.startsWith('/api/');
    // The browser's own start is not the page's: a first page of the same
    // server (no file of the viewer) warms it up.
    await page('Page.navigate', { url: baseUrl + '/healthz' });
    await sleep(1000);
    await open(first);
    const cold = await measure();
    console.log('figures cold visit: ' + JSON.stringify(cold));
    console.log(
      `figures transfer of the viewer (page, scripts, wasm, style, tiles): ${sum(cold.files, viewerOnly)} bytes; ` +
        `with the replay: ${sum(cold.files, () => true)} bytes; first board at ${cold.firstBoardMs.toFixed(1)} ms`,
    );
    if (cold.files.length < 7) fail('the cold visit loaded only ' + cold.files.map((f) => f.name).join(' '));
    // Again with the cache off, for the time a new visitor waits.
    await page('Network.setCacheDisabled', { cacheDisabled: true });
    const times = [];
    for (let i = 0; i < 5; ++i) {
      await open(first);
      times.push((await measure()).firstBoardMs);
    }
    await page('Network.setCacheDisabled', { cacheDisabled: false });
    times.sort((a, b) => a - b);
    console.log(`figures first board, cache off, 5 visits: ${times.map((t) => t.toFixed(1)).join(' ')} ms (median ${times[2].toFixed(1)})`);
    // A second visit with the cache: every file of the viewer is revalidated
    // and comes back 304, no body.
    await open(first);
    const again = await measure();
    // A revalidated file shows as its headers alone (the server's log has its 304).
    const reloaded = again.files.filter((f) => viewerOnly(f) && f.transfer > 1024);
    console.log(`figures second visit: ${sum(again.files, viewerOnly)} bytes of the viewer in ${again.files.filter(viewerOnly).length} answers`);
    if (reloaded.length !== 0) fail('the second visit loaded again: ' + JSON.stringify(reloaded));

    for (const job of jobs) {
      const url = `${baseUrl}/watch/${job.id}`;
      await open(url);
      const checks = [];
      const check = async (what, expectOp) => {
        const s = await state();
        if (expectOp !== undefined && s.op !== expectOp) fail(`${url} ${what}: at operation ${s.op}, not ${expectOp}`);
        const want = toolState(job.text, s.op);
        for (const f of fields)
          if (JSON.stringify(s[f]) !== JSON.stringify(want[f]))
            fail(`${url} ${what} (operation ${s.op}): ${f} is ${JSON.stringify(s[f])}, fourfall-replay says ${JSON.stringify(want[f])}`);
        checks.push(`${what}@${s.op}`);
        return s;
      };
      // It plays by itself; P pauses.
      await key('p', 'KeyP', 'p');
      if ((await evaluate('document.getElementById("play").getAttribute("aria-pressed")')) !== 'false')
        fail(url + ': P did not pause');
      const steps = (await state()).steps;
      for (const fraction of [0.1, 0.37, 0.5, 0.83]) {
        await evaluate(`(() => { const s = document.getElementById('seek');
          s.value = String(Math.round(Number(s.max) * ${fraction})); s.dispatchEvent(new Event('input')); })()`);
        await check('seek ' + fraction);
      }
      let s = await state();
      await evaluate('document.getElementById("forward").click()');
      s = await check('step button', s.op + 1);
      await key(',', 'Comma', ',');
      s = await check('step back key', s.op - 1);
      await key('.', 'Period', '.');
      s = await check('step key', s.op + 1);
      await key('ArrowLeft', 'ArrowLeft');
      s = await check('arrow left');
      if (s.clock < 0) fail(url + ': negative clock');
      await key('ArrowRight', 'ArrowRight');
      await check('arrow right');
      for (const speed of ['2', '4', '8', '1', '8']) {
        await key(speed, 'Digit' + speed, speed);
        const pressed = await evaluate(`document.querySelector('[data-speed="${speed}"]').getAttribute('aria-pressed')`);
        if (pressed !== 'true') fail(`${url}: key ${speed} did not set the speed`);
      }
      // A moment of play at 8 times the pace, then paused where it got to.
      const before = (await state()).op;
      await key('p', 'KeyP', 'p');
      await sleep(600);
      await key('p', 'KeyP', 'p');
      s = await check('played');
      if (!(s.op > before)) fail(`${url}: playing did not move on from operation ${before}`);
      await key('End', 'End');
      s = await check('end', steps);
      if (s.status !== 2) fail(`${url}: the end is not the game's end (status ${s.status})`);
      await key('Home', 'Home');
      await check('start', 0);
      console.log(`checked ${url} (game ${job.game}, ${steps} operations): ${checks.join(' ')}`);
    }

    // The end of the first game as a picture, and where its cells are.
    await page('Emulation.setDeviceMetricsOverride', { width: 800, height: 900, deviceScaleFactor: 1, mobile: false });
    await open(first);
    await key('End', 'End');
    await sleep(200);
    const end = await state();
    const rect = await evaluate(`(() => { const r = document.getElementById('well').getBoundingClientRect();
      return { x: r.x, y: r.y, width: r.width, height: r.height }; })()`);
    const shot = await page('Page.captureScreenshot', { format: 'png' });
    fs.writeFileSync(outFolder + '/viewer-end.png', Buffer.from(shot.data, 'base64'));
    fs.writeFileSync(outFolder + '/viewer-end-cells.json', JSON.stringify({ rect, board: end.board }));

    // A phone: the whole viewer within 390 px, nothing to scroll sideways.
    await page('Emulation.setDeviceMetricsOverride', { width: 390, height: 844, deviceScaleFactor: 1, mobile: true });
    await open(first);
    await key('End', 'End');
    await sleep(200);
    const phone = await evaluate(`(() => {
      const out = [];
      for (const e of document.querySelectorAll('canvas, button, input, output, h1, .panel'))
        { const r = e.getBoundingClientRect(); if (r.left < 0 || r.right > 390) out.push(e.id || e.tagName); }
      return { scrollWidth: document.documentElement.scrollWidth, outside: out,
               well: document.getElementById('well').getBoundingClientRect().width };
    })()`);
    console.log('figures at 390 px: ' + JSON.stringify(phone));
    if (phone.scrollWidth > 390 || phone.outside.length) fail('the viewer does not fit 390 px: ' + JSON.stringify(phone));
    const phoneShot = await page('Page.captureScreenshot', { format: 'png' });
    fs.writeFileSync(outFolder + '/viewer-390.png', Buffer.from(phoneShot.data, 'base64'));
  } finally {
    browser.kill();
  }
  if (failures.length) {
    console.log(`${failures.length} failures`);
    process.exit(1);
  }
  console.log('ok');
}

main().catch((error) => {
  console.log('FAIL ' + (error.stack || error));
  process.exit(1);
});
