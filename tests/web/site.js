// What the page's test and bench/web_budgets.js share: the site served as a
// viewer's plain static server would, and Debian's Chromium, headless.
'use strict';
const fs = require('fs'), http = require('http'), path = require('path');
const puppeteer = require('puppeteer-core');

// Resolves to the listening server; its URL is http://127.0.0.1:PORT/.
function serve(site) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };
  const server = http.createServer((req, res) => {
    let file = path.join(site, decodeURIComponent(new URL(req.url, 'http://x').pathname));
    if (file.endsWith('/')) file += 'index.html';
    fs.readFile(file, (err, body) => {
      if (err) { res.writeHead(404); res.end(); return; }
      res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
      res.end(body);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

const launch = () => puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--window-size=1280,960'] });

module.exports = { serve, launch };
