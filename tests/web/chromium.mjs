// Headless Chromium (Debian's) driven by puppeteer-core from ORBA_WEB_NODE's
// node_modules, with a profile of its own, for the page's tests and figures.
import { createRequire } from 'node:module';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const require = createRequire(path.join(process.env.ORBA_WEB_NODE ?? '.', 'x.js'));
export const puppeteer = require('puppeteer-core');

// A new browser with an empty profile in the temporary folder; close() ends
// it and removes the profile.
export async function launchChromium(profilePrefix) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), profilePrefix));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: 'new',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`],
    defaultViewport: { width: 640, height: 480 },
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { browser, close };
}
