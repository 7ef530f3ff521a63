// The web page in headless Chromium against the native program: the same
// frame bytes at every music time and frame counter, a real playback on the
// audio clock, and the viewer's own data dropped onto the page.
//   node page_test.js SITE QUARNEL DATA      (QUARNEL run in DATA's parent)
// (The page's speed and sizes are measured by bench/web_budgets.js.)
'use strict';
const fs = require('fs'), os = require('os'), path = require('path');
const { execFileSync } = require('child_process');
const { serve, launch } = require('./site.js');

const [site, quarnel, data] = process.argv.slice(2).map((p) => path.resolve(p));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quarnel-web-'));
let failures = 0;
const check = (ok, what) => { if (!ok) { failures++; console.error('FAIL: ' + what); } };

// Every segment's start, end and middle, with counters that flip the flashes' bits.
const FRAMES = [[0, 0], [10500, 3], [20999, 1], [21000, 0], [40000, 77], [60099, 2], [60100, 0],
  [63000, 5], [66999, 1], [67000, 0], [80000, 12], [89999, 3], [90000, 0], [90000, 1], [97000, 6],
  [105000, 4294967295], [119999, 31], [120000, 0], [125000, 9]];

function nativeFrame(ms, counter) {
  const out = path.join(work, 'native.raw');
  execFileSync(quarnel, ['--frame-at', ms, '--frame-counter', counter, '--out', out], { cwd: path.dirname(data) });
  return fs.readFileSync(out);
}

// The canvas as native .raw bytes (blue, green, red, 0).
const canvasRaw = (page) => page.evaluate(() => {
  const c = document.getElementById('screen'), px = c.getContext('2d').getImageData(0, 0, 320, 240).data;
  const out = new Uint8Array(px.length);
  for (let i = 0; i < px.length; i += 4) { out[i] = px[i + 2]; out[i + 1] = px[i + 1]; out[i + 2] = px[i]; }
  return { raw: Array.from(out), ms: Number(document.body.dataset.musicMs) };
});

async function dropFolder(page, folder) {
  const cdp = await page.target().createCDPSession();
  const drag = { items: [], files: [folder], dragOperationsMask: 1 };
  for (const type of ['dragEnter', 'dragOver', 'drop'])
    await cdp.send('Input.dispatchDragEvent', { type, x: 100, y: 100, data: drag });
}

async function main() {
  const server = await serve(site);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launch();
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 960 });
  page.on('pageerror', (e) => check(false, 'page error: ' + e.message));
  try {
    for (const [ms, counter] of FRAMES) {
      await page.goto(`${url}?frame-at=${ms}&frame-counter=${counter}`);
      await page.waitForFunction(() => document.title === 'frame ready', { timeout: 30000 });
      const web = Buffer.from(await page.$eval('#frame', (e) => e.textContent), 'base64');
      check(web.equals(nativeFrame(ms, counter)), `frame at ${ms} ms, counter ${counter} differs from native`);
    }

    // Playing from 25 s: the clock follows the wall, and what the canvas shows
    // is the native frame for the time it was drawn at (the video's frames do
    // not depend on the counter).
    await page.goto(url + '?t=25000');
    await page.waitForSelector('#play:not([disabled])');
    await page.click('#play');
    await page.waitForFunction(() => document.body.dataset.musicMs > 0, { timeout: 10000 });
    const first = await canvasRaw(page), wall = Date.now();
    await new Promise((r) => setTimeout(r, 3000));
    const later = await canvasRaw(page), elapsed = Date.now() - wall;
    check(Math.abs(later.ms - first.ms - elapsed) < 400, `music clock moved ${later.ms - first.ms} ms in ${elapsed} ms`);
    const shown = Buffer.from(later.raw);
    check(shown.some((b) => b !== 0), 'the canvas is black while playing');
    check(shown.equals(nativeFrame(later.ms, 0)), `played frame at ${later.ms} ms differs from native`);

    // The viewer's own data: the default files under other letter cases play;
    // a folder without velina.raw gets the native message.
    const names = { 'code.mp3': 'CODE.MP3', 'quarnel.avi': 'Quarnel.Avi', 'tunnel.raw': 'TUNNEL.raw',
      'credits.raw': 'credits.RAW', 'velina.raw': 'Velina.Raw' };
    for (const [folder, skip] of [['mine', ''], ['lacking', 'velina.raw']]) {
      fs.mkdirSync(path.join(work, folder));
      for (const [name, other] of Object.entries(names))
        if (name !== skip) fs.copyFileSync(path.join(data, name), path.join(work, folder, other));
      await page.goto(url);
      await page.waitForSelector('#play:not([disabled])');
      await dropFolder(page, path.join(work, folder));
      if (!skip) {
        await page.waitForSelector('body[data-data="/mine"] #play:not([disabled])');
        await page.click('#play');
        await page.waitForFunction(() => document.body.dataset.musicMs > 500, { timeout: 10000 });
        check(await page.$eval('#message', (e) => e.hidden), 'own data refused');
      } else {
        await page.waitForSelector('#message:not([hidden])', { timeout: 10000 });
        const message = await page.$eval('#message', (e) => e.textContent);
        check(/a data file is missing:\n\s+\/lacking\/velina\.raw\nlooked in: \/lacking/.test(message), 'message: ' + message);
      }
    }
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  console.log(failures ? `${failures} failed` : 'ok');
  process.exitCode = failures ? 1 : 0;
}

main().catch((e) => { console.error(e); process.exitCode = 1; });
