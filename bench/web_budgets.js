// The web page's figures, measured by hand: the page's ?bench against the
// native --bench, the first frame after play, the code and site sizes, and
// screenshots of the start screen and of full screen (into build-web/).
//   node bench/web_budgets.js SITE QUARNEL DATA      (QUARNEL run in DATA's parent)
// It drives the puppeteer-core that ./test.sh installs under tests/web, and
// serves the site as the page's test does.
'use strict';
const fs = require('fs'), path = require('path');
const { execFileSync } = require('child_process');
const { serve, launch } = require('../tests/web/site.js');

const [site, quarnel, data] = process.argv.slice(2).map((p) => path.resolve(p));

async function main() {
  const server = await serve(site);
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1280, height: 960 });
    const url = `http://127.0.0.1:${server.address().port}/`;
    await page.goto(url + '?bench');
    await page.waitForFunction(() => document.title === 'bench ready', { timeout: 600000 });
    console.log('web bench:\n' + await page.$eval('#bench', (e) => e.textContent));
    console.log('native bench:\n' + execFileSync(quarnel, ['--bench'], { cwd: path.dirname(data) }));
    await page.goto(url);
    await page.waitForSelector('#play:not([disabled])');
    await page.screenshot({ path: path.join(site, '..', 'start-screen.png') });
    const t0 = Date.now();
    await page.click('#play');
    await page.waitForFunction(() => document.body.dataset.musicMs !== undefined, { timeout: 10000, polling: 'raf' });
    console.log(`first frame ${Date.now() - t0} ms after play`);
    await page.setViewport({ width: 1366, height: 768 });
    await page.keyboard.press('f');
    await new Promise((r) => setTimeout(r, 4000));
    console.log('full screen:', await page.evaluate(() => !!document.fullscreenElement && document.body.className));
    await page.screenshot({ path: path.join(site, '..', 'full-screen.png') });
    const size = (f) => fs.statSync(path.join(site, f)).size;
    console.log(`code ${size('quarnel.wasm') + size('quarnel.js') + size('player.js')} bytes; site ${
      execFileSync('du', ['-sb', site]).toString().split('\t')[0]} bytes`);
  } finally {
    await browser.close();
    server.close();
  }
}

main().catch((e) => { console.error(e); process.exitCode = 1; });
