// compare-cells.js VIEWER_PNG VIEWER_CELLS_JSON GAME_PNG: the well's cells
// at the end of a game, as the viewer drew them and as the game's own play
// screen drew them (tumbletown-driver's 800 x 600 screenshot, the board at
// its place on the play page, 16 pixels a cell). The centre of every filled
// cell must have the same colour in both (the viewer's tiles are the game's
// own, decoded by its picture loader, so a small tolerance covers the
// browser's scaling); the rows under the GAME OVER caption, drawn
// differently by each, are left out. Prints the count and the
// largest difference; exits 1 on a cell that differs.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');

const kBoardLeft = 297; // the play page's board (screens/layout/PageLayout.h)
const kBoardTop = 46;
const kCell = 16;
const kTolerance = 8; // per channel, out of 255

function readImage(file) {
  const ppm = execFileSync('/usr/bin/convert', [file, '-depth', '8', 'ppm:-'], { maxBuffer: 64 << 20 });
  const header = /^P6\s+(\d+)\s+(\d+)\s+255\s/.exec(ppm.toString('latin1', 0, 40));
  if (!header) throw new Error('not a picture: ' + file);
  const width = Number(header[1]);
  const offset = header[0].length;
  return { width, height: Number(header[2]), pixel: (x, y) => [0, 1, 2].map((k) => ppm[offset + (y * width + x) * 3 + k]) };
}

// The mean colour of the pixels x0 <= x < x1, y0 <= y < y1.
function mean(image, x0, x1, y0, y1) {
  const sum = [0, 0, 0];
  for (let y = y0; y < y1; ++y)
    for (let x = x0; x < x1; ++x) image.pixel(x, y).forEach((v, k) => (sum[k] += v));
  const n = (x1 - x0) * (y1 - y0);
  return sum.map((v) => Math.round(v / n));
}

const [viewerPng, cellsJson, gamePng] = process.argv.slice(2);
const viewer = readImage(viewerPng);
const game = readImage(gamePng);
const { rect, board } = JSON.parse(fs.readFileSync(cellsJson, 'utf8'));
const rows = board.length;
const columns = board[0].length;
const middle = (rows - 1) / 2;
let compared = 0;
let worst = 0;
const bad = [];
for (let r = 0; r < rows; ++r) {
  if (Math.abs(r - middle) <= 3) continue; // under the caption
  for (let c = 0; c < columns; ++c) {
    if (board[r][c] === '.') continue;
    // The middle of the cell (its pixels 4 to 11 each way) in both, averaged:
    // the viewer's canvas is scaled by a fraction, so its single pixels do
    // not fall on the game's.
    const sx = rect.width / (columns * kCell);
    const sy = rect.height / (rows * kCell);
    const v = mean(viewer, Math.ceil(rect.x + (c * kCell + 4) * sx), Math.floor(rect.x + (c * kCell + 12) * sx),
                   Math.ceil(rect.y + (r * kCell + 4) * sy), Math.floor(rect.y + (r * kCell + 12) * sy));
    const g = mean(game, kBoardLeft + c * kCell + 4, kBoardLeft + c * kCell + 12, kBoardTop + r * kCell + 4,
                   kBoardTop + r * kCell + 12);
    const d = Math.max(...v.map((x, k) => Math.abs(x - g[k])));
    worst = Math.max(worst, d);
    ++compared;
    if (d > kTolerance) bad.push(`row ${r} column ${c} colour ${board[r][c]}: viewer ${v} game ${g}`);
  }
}
console.log(`compared ${compared} cells, largest difference ${worst} of 255`);
if (compared < 10) {
  console.log('too few filled cells to compare');
  process.exit(1);
}
if (bad.length) {
  console.log(bad.join('\n'));
  process.exit(1);
}
