// The page around the WebAssembly module: loads the data, shows the frames
// the module draws, plays the soundtrack the module decoded with Web Audio
// and keeps the clock, the soundtrack's play position. Test hooks:
// ?t=MS starts at music time MS; ?frame-at=MS&frame-counter=N renders one
// frame into <pre id="frame"> (base64 of the native .raw bytes); ?bench
// renders the programme headless into <pre id="bench">.
'use strict';
(() => {
  const W = 320, H = 240, END_MS = 120000;
  const DATA = ['code.mp3', 'quarnel.avi', 'tunnel.raw', 'credits.raw', 'velina.raw'];
  const FONTS = ['LiberationSans-Regular.ttf', 'LiberationSans-Bold.ttf', 'DejaVuSans.ttf'];
  const $ = (id) => document.getElementById(id);
  const params = new URLSearchParams(location.search);
  const canvas = $('screen'), ctx2d = canvas.getContext('2d');
  const image = ctx2d.createImageData(W, H), rgba = new Uint32Array(image.data.buffer);
  // Standard output: kept while the bench runs, for its table; the effects'
  // console lines during play have no terminal to go to.
  const print = (line) => { if (page.out !== undefined) page.out += line + '\n'; };
  let module = null, audio = null, sound = null, playing = false, folder = '/data';

  function showMessage(text) {
    $('message').textContent = text;
    $('message').hidden = false;
    $('start').hidden = false;
    $('play').disabled = true;
    $('play').textContent = 'Cannot play';
  }

  // Largest whole-pixel scale that fits, 4:3 kept, centred on black.
  function layout() {
    const s = Math.max(1, Math.floor(Math.min(innerWidth / W, innerHeight / H)));
    Object.assign(canvas.style, { width: W * s + 'px', height: H * s + 'px',
      left: (innerWidth - W * s) / 2 + 'px', top: (innerHeight - H * s) / 2 + 'px' });
    document.body.classList.toggle('no-cursor', playing && !!document.fullscreenElement);
  }

  // The soundtrack's play position in ms, as heard: the audio context's
  // clock at its last output, carried on by the performance clock between
  // outputs; fromMs until the sound starts, never backwards.
  function soundTime() {
    if (!sound) return 0;
    const now = performance.now(), ts = audio.getOutputTimestamp ? audio.getOutputTimestamp() : null;
    const heard = ts && ts.performanceTime > 0 ? ts.contextTime + (now - ts.performanceTime) / 1000
      : audio.currentTime - (audio.outputLatency || audio.baseLatency || 0);
    const ms = sound.fromMs + Math.floor((heard - sound.startAt) * 1000);
    sound.last = Math.max(sound.last, ms, sound.fromMs);
    return sound.last;
  }

  const page = {
    present(ptr) {
      const px = new Uint32Array(module.HEAPU8.buffer, ptr, W * H);
      for (let i = 0; i < px.length; i++) {  // 0x00RRGGBB to the canvas's R, G, B, A bytes
        const p = px[i];
        rgba[i] = 0xff000000 | (p & 0xff) << 16 | (p & 0xff00) | (p >>> 16 & 0xff);
      }
      ctx2d.putImageData(image, 0, 0);
    },
    soundOpen(ptr, frames) {
      const pcm = new Int16Array(module.HEAPU8.buffer, ptr, frames * 2);
      const left = new Float32Array(frames), right = new Float32Array(frames);
      for (let i = 0; i < frames; i++) { left[i] = pcm[2 * i] / 32768; right[i] = pcm[2 * i + 1] / 32768; }
      page.track = { left, right, frames };
    },
    soundPlay(fromMs) {
      if (sound) sound.source.stop();
      const t = page.track, buffer = audio.createBuffer(2, Math.max(1, t.frames), 44100);
      buffer.copyToChannel(t.left, 0);
      buffer.copyToChannel(t.right, 1);
      const source = audio.createBufferSource();
      source.buffer = buffer;
      source.connect(audio.destination);
      const startAt = audio.currentTime + 0.05;
      source.start(startAt, fromMs / 1000);
      sound = { source, startAt, fromMs, last: 0 };
    },
    soundTime,
    showMessage: (text, detail) => showMessage(text + (detail ? '\n' + detail : '')),
  };

  // Fetches a file with progress; XHR, unlike fetch, also reads file:// where the browser allows it.
  function load(url, progress) {
    return new Promise((resolve, reject) => {
      const xhr = new XMLHttpRequest();
      xhr.open('GET', url);
      xhr.responseType = 'arraybuffer';
      xhr.onprogress = (e) => progress(e.loaded);
      xhr.onload = () => (xhr.status === 200 || (xhr.status === 0 && xhr.response)) ?
        resolve(new Uint8Array(xhr.response)) : reject(new Error(url + ': ' + xhr.status));
      xhr.onerror = () => reject(new Error('could not read ' + url));
      xhr.send();
    });
  }

  async function loadAll(files) {
    const done = {}, total = files.reduce((s, f) => s + f.size, 0) || 1;
    const bar = (name, n) => { done[name] = n; $('bar').style.width = 100 * Math.min(1, Object.values(done).reduce((a, b) => a + b, 0) / total) + '%'; };
    return Promise.all(files.map(async (f) => [f, await load(f.url, (n) => bar(f.url, n))]));
  }

  const prepare = (dir, wholeSet) => module.ccall('quarnelPrepare', 'number', ['string', 'number'], [dir, wholeSet]);

  function ready(dir) {
    document.body.dataset.data = dir;  // the folder that plays
    $('loading').style.visibility = 'hidden';
    $('play').disabled = false;
    $('play').textContent = 'Play';
    $('play').focus();
  }

  function frameLoop() {
    if (!playing) return;
    const t = module._quarnelFrame();
    document.body.dataset.musicMs = t;  // the music time on the canvas, for tests and the curious
    if (t >= END_MS + 2000) $('again').hidden = false;  // two seconds of the black screen, then the choice to play again
    requestAnimationFrame(frameLoop);
  }

  // At the soundtrack's own rate where the browser allows choosing it.
  function newAudioContext() {
    const Context = window.AudioContext || window.webkitAudioContext;
    try { return new Context({ sampleRate: 44100 }); } catch (e) { return new Context(); }
  }

  function play() {
    if ($('play').disabled && $('again').hidden) return;
    audio = audio || newAudioContext();
    audio.resume();
    $('start').hidden = true;
    $('again').hidden = true;
    if (!module._quarnelStart(Number(params.get('t')) || 0)) return;
    if (!playing) { playing = true; requestAnimationFrame(frameLoop); }
    layout();
  }

  // The viewer's own data: the five files, or a folder holding them, names
  // matched regardless of case by the module as natively.
  async function dropped(e) {
    e.preventDefault();
    document.body.classList.remove('dragging');
    const items = [...e.dataTransfer.items].map((i) => i.webkitGetAsEntry && i.webkitGetAsEntry()).filter(Boolean);
    const dir = items.length === 1 && items[0].isDirectory ? items[0] : null;
    const entries = dir ? await new Promise((res, rej) => dir.createReader().readEntries(res, rej)) : items;
    const files = await Promise.all(entries.filter((x) => x.isFile && DATA.includes(x.name.toLowerCase()))
      .map((x) => new Promise((res) => x.file(res, () => res(null)))));
    folder = '/' + (dir ? dir.name : 'dropped files');
    if (module.FS.analyzePath(folder).exists) folder += ' ' + Date.now();
    module.FS.mkdir(folder);
    for (const f of files.filter(Boolean))
      module.FS.writeFile(folder + '/' + f.name, new Uint8Array(await f.arrayBuffer()));
    stop();
    $('message').hidden = true;
    if (prepare(folder, 1)) ready(folder);
  }

  function stop() {
    playing = false;
    if (sound) { sound.source.stop(); sound = null; }
    $('again').hidden = true;
    $('start').hidden = false;
    layout();
  }

  async function main() {
    layout();
    addEventListener('resize', layout);
    document.addEventListener('fullscreenchange', layout);
    const testing = params.has('frame-at') || params.has('bench');
    if (typeof WebAssembly !== 'object') return showMessage('This browser cannot run WebAssembly, which the demo is compiled to.');
    // A module of one function returning a 128-bit constant: the demo's
    // kernels use WebAssembly's SIMD instructions.
    const simd = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 22, 1, 20, 0,
      253, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 11]);
    if (!WebAssembly.validate(simd)) return showMessage('This browser cannot run WebAssembly\'s SIMD instructions, which the demo is compiled to.');
    if (!testing && !(window.AudioContext || window.webkitAudioContext))
      return showMessage('This browser has no Web Audio, which plays the soundtrack and keeps the demo\'s clock.');
    let sizes = {};
    try { sizes = JSON.parse(new TextDecoder().decode(await load('files.json', () => {}))); } catch (e) { /* sizes only drive the bar */ }
    const files = DATA.map((n) => ({ url: 'data/' + n, path: '/data/' + n }))
      .concat(FONTS.map((n) => ({ url: 'fonts/' + n, path: '/fonts/' + n })))
      .map((f) => ({ ...f, size: sizes[f.url] || 0 }));
    let loaded;
    try {
      [module, loaded] = await Promise.all([createQuarnel({ page, print }), loadAll(files)]);
    } catch (e) {
      return showMessage('The demo could not be loaded: ' + e.message + (location.protocol === 'file:' ?
        '.\nThis browser does not let a page read its own folder from file://: serve the folder (./web.sh does) and open it over http.' : ''));
    }
    module.FS.mkdir('/data');
    module.FS.mkdir('/fonts');
    for (const [f, bytes] of loaded) module.FS.writeFile(f.path, bytes);

    if (params.has('frame-at')) {
      const ptr = module.ccall('quarnelFrameAt', 'number', ['string', 'number', 'number'],
        ['/data', Number(params.get('frame-at')), Number(params.get('frame-counter')) || 0]);
      if (!ptr) return;
      page.present(ptr);
      $('start').hidden = true;
      let text = '';
      const bytes = module.HEAPU8.subarray(ptr, ptr + W * H * 4);
      for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
      $('frame').textContent = btoa(text);
      document.title = 'frame ready';
      return;
    }
    if (params.has('bench')) {
      $('play').textContent = 'Measuring…';
      await new Promise((r) => setTimeout(r, 50));
      page.out = '';
      if (module.ccall('quarnelBench', 'number', ['string'], ['/data'])) { $('bench').textContent = page.out; $('bench').hidden = false; }
      document.title = 'bench ready';
      return;
    }
    if (prepare('/data', 0)) ready('/data');
    $('play').addEventListener('click', play);
    $('again').addEventListener('click', play);
    addEventListener('keydown', (e) => { if (e.key === 'f' || e.key === 'F') fullScreen(); });
    addEventListener('dblclick', (e) => { if (e.target.tagName !== 'BUTTON') fullScreen(); });
    addEventListener('dragover', (e) => { e.preventDefault(); document.body.classList.add('dragging'); });
    addEventListener('dragleave', () => document.body.classList.remove('dragging'));
    addEventListener('drop', (e) => dropped(e).catch((err) => showMessage('The dropped files could not be read: ' + err.message)));
  }

  function fullScreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (document.documentElement.requestFullscreen) document.documentElement.requestFullscreen().catch(() => {});
  }

  main();
})();
