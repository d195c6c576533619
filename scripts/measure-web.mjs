// node measure-web.mjs URL RUNS IDLE_SECONDS
// The page's start and its cost while it waits, in headless Chromium driven
// by puppeteer-core (from ORBA_WEB_NODE's node_modules). Each of RUNS runs
// opens the page in a fresh browser with an empty cache, clicks the start
// screen as soon as it shows and reads the page's times of the click and of
// the first frame (both from the page's navigation start). The last run then
// leaves the game waiting on its first page for IDLE_SECONDS and reads the
// CPU time of every Chromium process from /proc and the count of the
// engine's waits for input (web/page.js) before and after.
import fs from 'node:fs';

import { launchChromium } from '../tests/web/chromium.mjs';

const [url, runs, idleSeconds] = [process.argv[2], +process.argv[3], +process.argv[4]];
const ticksPerSecond = 100;  // USER_HZ, /proc's unit of CPU time on Linux

// The CPU time (user and system, seconds) of a process and whether it is a renderer.
function processCpu(pid) {
  try {
    const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
    const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    const cmdline = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
    return { ppid: +fields[1], seconds: (+fields[11] + +fields[12]) / ticksPerSecond,
             renderer: cmdline.includes('--type=renderer') };
  } catch {
    return null;  // gone meanwhile
  }
}

// The browser's process and all its descendants: pid -> their CPU.
function browserTree(root) {
  const all = new Map();
  for (const name of fs.readdirSync('/proc')) if (/^\d+$/.test(name)) {
    const cpu = processCpu(+name);
    if (cpu) all.set(+name, cpu);
  }
  const tree = new Map([[root, all.get(root)]]);
  for (let grown = true; grown;) {
    grown = false;
    for (const [pid, cpu] of all)
      if (!tree.has(pid) && tree.has(cpu.ppid)) { tree.set(pid, cpu); grown = true; }
  }
  return tree;
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

async function openPage() {
  const { browser, close } = await launchChromium('orba-measure-');
  const page = await browser.newPage();
  await page.setCacheEnabled(false);
  await page.goto(url);
  await page.waitForSelector('#start', { visible: true, timeout: 60000 });
  await page.click('#start');
  await page.waitForFunction(() => Module.firstFrameMs !== undefined, { timeout: 60000 });
  const [shown, started] = await page.evaluate(() => [Module.firstFrameMs, Module.startedMs]);
  return { browser, close, page, shown, started };
}

const fromLoad = [], fromClick = [];
for (let run = 1; run <= runs; ++run) {
  const opened = await openPage();
  fromLoad.push(opened.shown);
  fromClick.push(opened.shown - opened.started);
  console.log(`run ${run}: first frame ${Math.round(opened.shown)} ms after the page's start, ` +
              `${Math.round(opened.shown - opened.started)} ms after the click`);
  if (run < runs) { await opened.close(); continue; }
  // A second to settle, then the waiting page's CPU over the idle time.
  await new Promise((done) => setTimeout(done, 1000));
  const pid = opened.browser.process().pid;
  const waits = () => opened.page.evaluate(() => Module.idleWaits?.waits ?? 0);
  const before = browserTree(pid), waitsBefore = await waits();
  await new Promise((done) => setTimeout(done, idleSeconds * 1000));
  const after = browserTree(pid), waitsAfter = await waits();
  const used = (rendererOnly) => {
    let total = 0;
    for (const [p, cpu] of after) if (cpu && (!rendererOnly || cpu.renderer))
      total += cpu.seconds - (before.get(p)?.seconds ?? 0);
    return total;
  };
  const all = used(false), renderer = used(true);
  console.log(`waiting page: ${all.toFixed(2)} s CPU in ${idleSeconds} s (${(100 * all / idleSeconds).toFixed(1)} % ` +
              `of one core), the renderer ${renderer.toFixed(2)} s (${(100 * renderer / idleSeconds).toFixed(1)} %), ` +
              `the engine's waits for input ${((waitsAfter - waitsBefore) / idleSeconds).toFixed(1)} a second`);
  await opened.close();
}
console.log(`first frame, median of ${runs}: ${Math.round(median(fromLoad))} ms after the page's start, ` +
            `${Math.round(median(fromClick))} ms after the click`);
