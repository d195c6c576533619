// node playthrough.mjs URL STEPS SHOT_DIR
// Plays the sample game in headless Chromium as scripts/playthrough.sh does
// on the desktop, following the STEPS file (sample/playthrough.txt): the
// page's click starts the game, then each scene's click, waiting before it
// until the scene's pixels show; each scene's canvas is saved as
// SHOT_DIR/NN-NAME.bmp (24-bit, as the engine's screenshots) for comparison
// with the desktop's. After the last click the page must say that the game
// has ended and run.log must end with GAME END. Prints the time from the
// page's load and from the click to the first frame. Exit status 1 when a
// step fails.
import { createRequire } from 'node:module';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const require = createRequire(path.join(process.env.ORBA_WEB_NODE ?? '.', 'x.js'));
const puppeteer = require('puppeteer-core');

const [url, stepsFile, shotDir] = process.argv.slice(2);
const sceneTimeoutMs = 30000;

// One check of a steps line: X,Y=RRGGBB, X,Y!=RRGGBB or X,Y=grey:LO-HI.
function parseCheck(text) {
  const m = /^(\d+),(\d+)(=|!=)(?:([0-9A-Fa-f]{6})|grey:(\d+)-(\d+))$/.exec(text);
  if (!m) throw new Error(`bad check ${text}`);
  const x = +m[1], y = +m[2];
  if (m[4] !== undefined) {
    const colour = parseInt(m[4], 16), same = m[3] === '=';
    return { text, x, y, holds: (v) => (v === colour) === same };
  }
  const lo = +m[5], hi = +m[6];
  return { text, x, y, holds: (v) => {
    const r = v >> 16, g = (v >> 8) & 255, b = v & 255;
    return r === g && g === b && r >= lo && r <= hi;
  } };
}

// The steps: NAME ACTION CHECK... with ACTION start, click:X,Y or end:X,Y.
function readSteps(file) {
  return fs.readFileSync(file, 'utf8').split('\n').map((line) => line.trim())
    .filter((line) => line && !line.startsWith('#')).map((line) => {
      const [name, action, ...checks] = line.split(/\s+/);
      const [kind, where] = action.split(':');
      if (!['start', 'click', 'end'].includes(kind)) throw new Error(`unsupported action ${action}`);
      return { name, kind, at: where ? where.split(',').map(Number) : null, checks: checks.map(parseCheck) };
    });
}

// The canvas's pixels as 0xRRGGBB, row by row.
async function canvasPixels(page) {
  const bytes = await page.evaluate(() => {
    const c = document.getElementById('canvas');
    const data = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 4) text += String.fromCharCode(data[i], data[i + 1], data[i + 2]);
    return btoa(text);
  });
  const rgb = Buffer.from(bytes, 'base64');
  const pixels = new Uint32Array(640 * 480);
  for (let i = 0; i < pixels.length; ++i) pixels[i] = (rgb[3 * i] << 16) | (rgb[3 * i + 1] << 8) | rgb[3 * i + 2];
  return pixels;
}

function writeBmp(file, pixels) {
  const header = Buffer.alloc(54);
  const size = 54 + 640 * 480 * 3;
  header.write('BM', 0);
  header.writeUInt32LE(size, 2);
  header.writeUInt32LE(54, 10);
  header.writeUInt32LE(40, 14);
  header.writeInt32LE(640, 18);
  header.writeInt32LE(480, 22);
  header.writeUInt16LE(1, 26);
  header.writeUInt16LE(24, 28);
  header.writeUInt32LE(640 * 480 * 3, 34);
  const body = Buffer.alloc(640 * 480 * 3);
  for (let y = 0; y < 480; ++y)
    for (let x = 0; x < 640; ++x) {
      const v = pixels[y * 640 + x], at = ((479 - y) * 640 + x) * 3;
      body[at] = v & 255;
      body[at + 1] = (v >> 8) & 255;
      body[at + 2] = v >> 16;
    }
  fs.writeFileSync(file, Buffer.concat([header, body]));
}

async function waitForScene(page, step) {
  const deadline = Date.now() + sceneTimeoutMs;
  for (;;) {
    const pixels = await canvasPixels(page);
    const failed = step.checks.filter((c) => !c.holds(pixels[c.y * 640 + c.x]));
    if (failed.length === 0) return pixels;
    if (Date.now() > deadline) throw new Error(`${step.name} did not show: ${failed.map((c) => c.text).join(' ')}`);
    await new Promise((done) => setTimeout(done, 100));
  }
}

// A point of the game's 640 x 480 frame in the page's coordinates.
async function pagePoint(page, x, y) {
  const box = await (await page.$('#canvas')).boundingBox();
  return [box.x + (x + 0.5) * box.width / 640, box.y + (y + 0.5) * box.height / 480];
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'orba-chromium-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: 'new',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`],
  defaultViewport: { width: 640, height: 480 },
});
let status = 0;
try {
  const page = await browser.newPage();
  page.on('console', (message) => console.log(`page: ${message.text()}`));
  page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
  await page.goto(url);
  await page.waitForSelector('#start', { visible: true, timeout: sceneTimeoutMs });
  await page.mouse.click(...(await pagePoint(page, 320, 240)));
  // The engine draws its pointer where the page's mouse is: the desktop's
  // play-through starts with it at 620,20.
  await page.mouse.move(...(await pagePoint(page, 620, 20)));
  let scene = 0;
  for (const step of readSteps(stepsFile)) {
    if (step.at) await page.mouse.click(...(await pagePoint(page, ...step.at)));
    if (step.kind === 'end') break;
    const pixels = await waitForScene(page, step);
    writeBmp(path.join(shotDir, `${String(++scene).padStart(2, '0')}-${step.name}.bmp`), pixels);
    if (scene === 1) {
      const [shown, started] = await page.evaluate(() => [Module.firstFrameMs, Module.startedMs]);
      console.log(`first frame ${Math.round(shown)} ms after the page's start, ` +
                  `${Math.round(shown - started)} ms after the click`);
    }
  }
  await page.waitForFunction(() => document.getElementById('status').textContent.startsWith('The game has ended'),
                             { timeout: sceneTimeoutMs });
  const log = await page.evaluate(() => Module.FS.readFile('/run.log', { encoding: 'utf8' }));
  if (!log.trimEnd().endsWith('GAME END')) throw new Error(`run.log does not end with GAME END:\n${log}`);
  console.log(`${scene} scenes shown; the game ended`);
} catch (error) {
  console.log(`FAILED: ${error.message}`);
  status = 1;
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
process.exit(status);
