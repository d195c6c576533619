// node playthrough.mjs URL STEPS SHOT_DIR
// Plays the sample game in headless Chromium as scripts/playthrough.sh does
// on the desktop, following the STEPS file (sample/playthrough.txt): the
// page's click starts the game, then each scene's click or keys, waiting
// before it until the scene's pixels show; each scene's canvas is saved as
// SHOT_DIR/NN-NAME.bmp (24-bit, as the engine's screenshots) for comparison
// with the desktop's. A restart quits with Escape, waits until the saves are
// stored in the browser, reloads the page and starts again. After an end
// click the page must say that the game has ended and run.log must end with
// GAME END. On the first page the engine must sleep between the page's
// changes, and the click that turns it must end its wait. A last step "keys"
// checks the page's keys instead: the browser's own actions prevented, F9
// its full screen, F12 the screenshot's download.
// The sound mixed must not be silence. Prints the time from the page's load
// and from the click to the first frame. Exit status 1 when a step fails.
import fs from 'node:fs';
import path from 'node:path';

import { launchChromium } from './chromium.mjs';

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

// The steps: NAME ACTION CHECK... with ACTION start, click:X,Y, end:X,Y,
// key:K1,K2 (xdotool's names), restart or keys.
function readSteps(file) {
  return fs.readFileSync(file, 'utf8').split('\n').map((line) => line.trim())
    .filter((line) => line && !line.startsWith('#')).map((line) => {
      const [name, action, ...checks] = line.split(/\s+/);
      const [kind, where] = action.split(':');
      if (!['start', 'click', 'end', 'key', 'restart', 'keys'].includes(kind))
        throw new Error(`unsupported action ${action}`);
      return { name, kind, at: kind === 'key' || !where ? null : where.split(',').map(Number),
               keys: kind === 'key' ? where.split(',').map((k) => (k === 'Return' ? 'Enter' : k)) : [],
               checks: checks.map(parseCheck) };
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

// Clicks the page's start and puts the mouse where the desktop's play-through
// starts it: the engine draws its pointer where the page's mouse is.
async function startGame(page) {
  await page.waitForSelector('#start', { visible: true, timeout: sceneTimeoutMs });
  await page.mouse.click(...(await pagePoint(page, 320, 240)));
  await page.mouse.move(...(await pagePoint(page, 620, 20)));
}

// On the first page the engine sleeps between the page-feed icon's changes:
// over its next ten waits for input it wakes far less often than its 30
// frames a second. Load only makes it wake less often. Returns how many of
// its waits input has ended so far.
async function checkQuietWait(page) {
  const [waits, ms, woken] = await page.evaluate(() => new Promise((done) => {
    const idle = Module.idleWaits, first = idle.waits, started = performance.now();
    const look = () => {
      const ms = performance.now() - started;
      if (idle.waits - first >= 10 || ms > 10000) done([idle.waits - first, ms, idle.wokenByInput]);
      else setTimeout(look, 50);
    };
    look();
  }));
  const perSecond = (1000 * waits) / ms;
  if (waits < 10 || perSecond > 15)
    throw new Error(`the waiting page woke ${waits} times in ${Math.round(ms)} ms (${perSecond.toFixed(1)} a second)`);
  console.log(`waiting page: ${perSecond.toFixed(1)} wake-ups a second`);
  return woken;
}

const gameEnded = () => document.getElementById('status').textContent.startsWith('The game has ended');

// Quits with Escape, waits until the saves are in IndexedDB, reloads, starts.
async function restart(page) {
  await page.keyboard.press('Escape');
  await page.waitForFunction(gameEnded, { timeout: sceneTimeoutMs });
  await page.waitForFunction(() => Module.savesStored > 0 && !Module.savesStoring(), { timeout: sceneTimeoutMs });
  // The saves are the game's own, apart from other games of the same site.
  const stores = await page.evaluate(async () => (await indexedDB.databases()).map((d) => d.name));
  const own = await page.evaluate(() => `game ${document.title} /save`);
  if (!stores.includes(own)) throw new Error(`no store "${own}" among ${JSON.stringify(stores)}`);
  await page.reload();
  await startGame(page);
}

// Whether the page prevents the browser's action for a key on the canvas.
const keyPrevented = (page, code, ctrlKey = false) => page.evaluate((code, ctrlKey) => {
  const event = new KeyboardEvent('keydown', { code, key: code, ctrlKey, bubbles: true, cancelable: true });
  return !document.getElementById('canvas').dispatchEvent(event);
}, code, ctrlKey);

async function waitForFile(file) {
  const deadline = Date.now() + sceneTimeoutMs;
  while (!fs.existsSync(file) || fs.statSync(file).size < 54 + 640 * 480 * 3) {
    if (Date.now() > deadline) throw new Error(`no ${path.basename(file)} was downloaded`);
    await new Promise((done) => setTimeout(done, 100));
  }
}

// The page's keys: the engine's keys keep the browser from acting, the
// browser's own shortcuts do not; F9 enters and leaves the browser's full
// screen; F12 downloads the screenshot. F9 and F12 are pressed for real
// only: a dispatched F9 would enter full screen too (page scripts run with a
// gesture) and a dispatched F12 would download a first screenshot.
async function checkPageKeys(page, downloads) {
  const gameKeys = ['F1', 'F2', 'F3', 'F5', 'PageUp', 'PageDown', 'Space', 'Tab', 'ArrowUp', 'ArrowDown',
                    'ArrowLeft', 'ArrowRight', 'Slash'];
  for (const code of gameKeys)
    if (!(await keyPrevented(page, code))) throw new Error(`${code}: the browser's action is not prevented`);
  if (await keyPrevented(page, 'KeyR', true)) throw new Error('Ctrl+R: the browser\'s reload is prevented');
  await page.keyboard.press('F9');
  await page.waitForFunction(() => document.fullscreenElement?.id === 'stage', { timeout: 5000 });
  await page.keyboard.press('F9');
  await page.waitForFunction(() => !document.fullscreenElement, { timeout: 5000 });
  await page.keyboard.press('F12');
  await waitForFile(path.join(downloads, 'screenshot.bmp'));
  console.log('page keys: the browser\'s actions prevented, F9 full screen, F12 downloaded the screenshot');
}

const { browser, close } = await launchChromium('orba-chromium-');
let status = 0;
try {
  const cdp = await browser.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: path.resolve(shotDir) });
  const page = await browser.newPage();
  page.on('console', (message) => console.log(`page: ${message.text()}`));
  page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
  await page.goto(url);
  await startGame(page);
  let scene = 0, ended = false, wokenBefore = null;
  for (const step of readSteps(stepsFile)) {
    if (step.kind === 'keys') {
      await checkPageKeys(page, shotDir);
      break;
    }
    if (step.kind === 'restart') await restart(page);
    if (step.at) await page.mouse.click(...(await pagePoint(page, ...step.at)));
    for (const key of step.keys) await page.keyboard.press(key);
    if (step.kind === 'end') {
      ended = true;
      break;
    }
    const pixels = await waitForScene(page, step);
    writeBmp(path.join(shotDir, `${String(++scene).padStart(2, '0')}-${step.name}.bmp`), pixels);
    if (scene === 2 && wokenBefore !== null) {
      const woken = await page.evaluate(() => Module.idleWaits.wokenByInput);
      if (woken === wokenBefore) throw new Error('the click did not end the engine\'s wait for input');
    }
    if (scene === 1) {
      wokenBefore = await checkQuietWait(page);
      const [shown, started] = await page.evaluate(() => [Module.firstFrameMs, Module.startedMs]);
      console.log(`first frame ${Math.round(shown)} ms after the page's start, ` +
                  `${Math.round(shown - started)} ms after the click`);
    }
  }
  const [mixed, audible] = await page.evaluate(() => [Module.webAudio.mixedSamples, Module.webAudio.audibleSamples]);
  console.log(`sound: ${mixed} sample frames mixed, ${audible} of them not silent`);
  if (audible === 0) throw new Error('no sound was mixed');
  if (ended) {
    await page.waitForFunction(gameEnded, { timeout: sceneTimeoutMs });
    const log = await page.evaluate(() => Module.FS.readFile('/run.log', { encoding: 'utf8' }));
    if (!log.trimEnd().endsWith('GAME END')) throw new Error(`run.log does not end with GAME END:\n${log}`);
    console.log(`${scene} scenes shown; the game ended`);
  }
} catch (error) {
  console.log(`FAILED: ${error.message}`);
  status = 1;
} finally {
  await close();
}
process.exit(status);
