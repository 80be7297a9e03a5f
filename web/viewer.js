// The replay viewer's page: the rules (rules.js and rules.wasm, built from
// the game's own sources) play the replay, this draws their state in the
// game's tiles and runs the controls. The rules are asked for the state
// after N operations; nothing of the game is computed here.
'use strict';

(function () {
  const kTile = 16; // the tile sheets' cell size, as the game draws them
  const kSeekStepMs = 5000; // what an arrow key skips
  const kSpeeds = [1, 2, 4, 8];
  const kSpecialColumn = { creator: 0, destroyer: 1 };

  const main = document.getElementById('viewer');
  const $ = (id) => document.getElementById(id);
  const well = $('well');
  const next = $('next');
  const seek = $('seek');
  const playButton = $('play');

  let rules = null; // the WebAssembly module
  let balls = null;
  let specials = null;
  let times = []; // milliseconds of play of each operation
  let duration = 0;
  let op = 0; // operations played
  let clock = 0; // milliseconds of play shown
  let playing = false;
  let speed = 1;
  let lastFrame = 0;
  let loop = 0; // the running frame loop's number: an older loop stops
  let state = null; // the rules' state after op operations
  let firstDrawn = false;

  function loadImage(src) {
    return new Promise((resolve, reject) => {
      const image = new Image();
      image.onload = () => resolve(image);
      image.onerror = () => reject(new Error('cannot load ' + src));
      image.src = src;
    });
  }

  async function fetchReplay(url) {
    const answer = await fetch(url);
    if (!answer.ok) throw new Error('the replay could not be loaded (' + answer.status + ')');
    return new Uint8Array(await answer.arrayBuffer());
  }

  function say(text) {
    $('message').textContent = text;
  }

  // Operations that came at or before ms: the state shown at that moment.
  function opsAt(ms) {
    let low = 0;
    let high = times.length;
    while (low < high) {
      const mid = (low + high) >> 1;
      if (times[mid] <= ms) low = mid + 1;
      else high = mid;
    }
    return low;
  }

  function clockText(ms) {
    const s = Math.floor(ms / 1000);
    return Math.floor(s / 60) + ':' + String(s % 60).padStart(2, '0');
  }

  function show(n) {
    op = Math.max(0, Math.min(n, times.length));
    state = JSON.parse(rules.UTF8ToString(rules._tt_state(op)));
    draw();
  }

  function drawTile(context, sheet, column, x, y) {
    context.drawImage(sheet, column * kTile, 0, kTile, kTile, x * kTile, y * kTile, kTile, kTile);
  }

  // Which cells of the board the falling figure holds when it is a special
  // one: those are drawn in its own tiles, as the game does.
  function specialCells(s) {
    const cells = new Set();
    const cur = s.rules.cur;
    if (s.cur === 'none' || cur === null || s.rules.status !== 1) return cells;
    cur.cells.forEach((row, r) => {
      for (let c = 0; c < row.length; ++c)
        if (row[c] !== '.') cells.add((cur.y + r - 1) * 1000 + (cur.x + c - 1));
    });
    return cells;
  }

  function draw() {
    const s = state.rules;
    const context = well.getContext('2d');
    context.clearRect(0, 0, well.width, well.height);
    const special = specialCells(state);
    s.board.forEach((row, r) => {
      for (let c = 0; c < row.length; ++c) {
        const v = row.charCodeAt(c) - 48;
        if (v < 1 || v > 7) continue;
        if (special.has(r * 1000 + c)) drawTile(context, specials, kSpecialColumn[state.cur], c, r);
        else drawTile(context, balls, v - 1, c, r);
      }
    });
    const preview = next.getContext('2d');
    preview.clearRect(0, 0, next.width, next.height);
    // As the play screen: the next figure stays in view at the game's end.
    if (s.next !== null) {
      const rows = s.next.cells;
      const width = rows.reduce((w, row) => Math.max(w, row.replace(/\.+$/, '').length), 0);
      const dx = Math.floor((next.width / kTile - width) / 2);
      const dy = Math.floor((next.height / kTile - rows.length) / 2);
      rows.forEach((row, r) => {
        for (let c = 0; c < row.length; ++c) {
          const v = row.charCodeAt(c) - 48;
          if (v < 1 || v > 7) continue;
          if (state.next !== 'none') drawTile(preview, specials, kSpecialColumn[state.next], dx + c, dy + r);
          else drawTile(preview, balls, v - 1, dx + c, dy + r);
        }
      });
    }
    $('score').textContent = s.score;
    $('level').textContent = s.level;
    $('lines').textContent = s.linesLeft;
    $('over').hidden = s.status !== 2;
    seek.value = String(clock);
    $('clock').textContent = clockText(clock) + ' / ' + clockText(duration);
    if (!firstDrawn) {
      firstDrawn = true;
      performance.mark('tumbletown-first-board');
    }
  }

  function setPlaying(on) {
    playing = on && times.length > 0;
    if (playing && op >= times.length) {
      clock = 0; // at the end, play starts again
      show(0);
    }
    playButton.textContent = playing ? 'Pause' : 'Play';
    playButton.setAttribute('aria-pressed', String(playing));
    lastFrame = performance.now();
    const mine = ++loop;
    if (playing) requestAnimationFrame((now) => frame(now, mine));
  }

  function setSpeed(factor) {
    speed = factor;
    document.querySelectorAll('[data-speed]').forEach((button) => {
      button.setAttribute('aria-pressed', String(Number(button.dataset.speed) === factor));
    });
  }

  function frame(now, mine) {
    if (!playing || mine !== loop) return;
    clock = Math.min(duration, clock + Math.max(0, now - lastFrame) * speed);
    lastFrame = now;
    const n = opsAt(clock);
    if (n !== op) show(n);
    else draw();
    if (op >= times.length) {
      setPlaying(false);
      return;
    }
    requestAnimationFrame((later) => frame(later, mine));
  }

  // To the moment ms of play, showing every operation that came by then.
  function seekTo(ms) {
    clock = Math.max(0, Math.min(duration, ms));
    show(opsAt(clock));
  }

  // One operation forward or back, the clock at that operation's time.
  function step(delta) {
    setPlaying(false);
    const n = Math.max(0, Math.min(times.length, op + delta));
    clock = n > 0 ? times[n - 1] : 0;
    show(n);
  }

  // The page drawn as large as the window allows, the panel beside it.
  function fit() {
    const columns = well.width / kTile;
    const rows = well.height / kTile;
    const used = main.getBoundingClientRect().height - $('stage').getBoundingClientRect().height;
    const high = Math.max(120, window.innerHeight - used - 8);
    const wide = Math.max(60, Math.min(main.clientWidth, window.innerWidth) - 16 - 96 - 10 - 4);
    const cell = Math.max(4, Math.min(high / rows, wide / columns));
    well.style.width = Math.floor(cell * columns) + 'px';
    well.style.height = Math.floor(cell * rows) + 'px';
  }

  function onKey(event) {
    if (event.altKey || event.ctrlKey || event.metaKey || rules === null) return;
    const actions = {
      p: () => setPlaying(!playing),
      P: () => setPlaying(!playing),
      1: () => setSpeed(1),
      2: () => setSpeed(2),
      4: () => setSpeed(4),
      8: () => setSpeed(8),
      ArrowLeft: () => seekTo(clock - kSeekStepMs),
      ArrowRight: () => seekTo(clock + kSeekStepMs),
      ',': () => step(-1),
      '.': () => step(1),
      Home: () => step(-times.length),
      End: () => seekTo(duration),
    };
    const action = actions[event.key];
    if (action === undefined) return;
    event.preventDefault();
    action();
  }

  // For the tests: the state shown, as the replay tool names its fields.
  window.tumbletownState = () =>
    state === null
      ? null
      : {
          op: state.op,
          time: state.time,
          clock: clock,
          status: state.rules.status,
          score: state.rules.score,
          level: state.rules.level,
          linesLeft: state.rules.linesLeft,
          board: state.rules.board,
          next: state.rules.next,
          steps: times.length,
        };

  async function start() {
    try {
      const [module, replay, ballSheet, specialSheet] = await Promise.all([
        TumbletownRules({ locateFile: (file) => '/viewer/' + file }),
        fetchReplay(main.dataset.replay),
        loadImage('/viewer/Balls.png'),
        loadImage('/viewer/Specials.png'),
      ]);
      balls = ballSheet;
      specials = specialSheet;
      const at = module._malloc(Math.max(1, replay.length));
      module.HEAPU8.set(replay, at);
      const steps = module._tt_load(at, replay.length);
      module._free(at);
      if (steps < 0) throw new Error('not a replay: ' + module.UTF8ToString(module._tt_why()));
      rules = module;
      times = new Array(steps);
      for (let k = 0; k < steps; ++k) times[k] = module._tt_time(k);
      duration = steps > 0 ? times[steps - 1] : 0;
      well.width = module._tt_columns() * kTile;
      well.height = module._tt_rows() * kTile;
      seek.max = String(duration);
      seek.disabled = false;
      document.querySelectorAll('.controls button').forEach((button) => (button.disabled = false));
      fit();
      show(0);
      setPlaying(true);
    } catch (error) {
      say(String(error.message || error));
    }
  }

  playButton.addEventListener('click', () => setPlaying(!playing));
  $('back').addEventListener('click', () => step(-1));
  $('forward').addEventListener('click', () => step(1));
  document.querySelectorAll('[data-speed]').forEach((button) => {
    button.addEventListener('click', () => setSpeed(Number(button.dataset.speed)));
  });
  seek.addEventListener('input', () => seekTo(Number(seek.value)));
  document.addEventListener('keydown', onKey);
  window.addEventListener('resize', () => rules !== null && fit());
  setSpeed(kSpeeds[0]);
  start();
})();
