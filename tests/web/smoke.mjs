// node smoke.mjs URL SHOT_DIR
// Opens the page in headless Chromium, starts the game with a click, waits
// for the title scene, clicks on to the next scene, and saves the canvas of
// each as SHOT_DIR/01-title.bmp and 02-mira.bmp (24-bit, as the engine's
// screenshots) for comparison with the desktop's. Prints the time from the
// page's load and from the click to the first frame. Exit status 1 when a
// step fails.
import { createRequire } from 'node:module';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const require = createRequire(path.join(process.env.ORBA_WEB_NODE ?? '.', 'x.js'));
const puppeteer = require('puppeteer-core');

const [url, shotDir] = process.argv.slice(2);
const sceneTimeoutMs = 30000;
// Pixels that show once a scene is on the canvas (as sample/playthrough.txt).
const scenes = [
  { name: '01-title', checks: [[596, 446, 0xffd23c], [540, 80, 0xfaf0cd], [621, 22, 0xfafafa]] },
  { name: '02-mira', checks: [[596, 446, 0xffd23c], [330, 50, 0xfafafa], [130, 290, 0xd64870], [320, 290, 0xc8b48c]] },
];

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

async function waitForScene(page, scene) {
  const deadline = Date.now() + sceneTimeoutMs;
  for (;;) {
    const pixels = await canvasPixels(page);
    const failed = scene.checks.filter(([x, y, colour]) => pixels[y * 640 + x] !== colour);
    if (failed.length === 0) return pixels;
    if (Date.now() > deadline) throw new Error(`${scene.name} did not show: ${JSON.stringify(failed)}`);
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
  writeBmp(path.join(shotDir, `${scenes[0].name}.bmp`), await waitForScene(page, scenes[0]));
  const times = await page.evaluate(() => [Module.firstFrameMs, Module.startedMs]);
  console.log(`first frame ${Math.round(times[0])} ms after the page's start, ` +
              `${Math.round(times[0] - times[1])} ms after the click`);
  await page.mouse.click(...(await pagePoint(page, 620, 20)));
  writeBmp(path.join(shotDir, `${scenes[1].name}.bmp`), await waitForScene(page, scenes[1]));
  console.log('the page turned on the click');
} catch (error) {
  console.log(`FAILED: ${error.message}`);
  status = 1;
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
process.exit(status);
