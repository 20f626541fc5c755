// The web page in headless Chromium:
//   node test_page.mjs picture|file|http|music|settings
// picture:  after N ticks (the page's manual=1 test mode) the canvas equals, byte for byte, the
//           picture the native show draws for the same seed and size: at 800x600, at a device
//           pixel ratio of 2 (zoom 2) and after a resize.
// file:     opened from file:// at its own pace, the page shows characters, fills the window
//           with no scroll bar, text or cursor.
// http:     served over HTTP, the page asks for nothing beyond itself.
// music:    the music looped offline is the WAV's samples over and over, with no gap.
// settings: bad URL values give the defaults.
// timed:    at its own pace on a clock the test moves on, the page has run exactly the ticks due
//           by then, before and after a resize, however many of them it slept through.
// Every group fails on an error in the console or a request beyond the page.
// Environment: QV3_WEB_PAGE, QV3_NODE_MODULES, QV3_WEBREF (the native reference tool),
// QV3_MUSIC (the WAV file).
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { setTimeout as delay } from 'node:timers/promises';

import { launchChromium, pageFileUrl, servePage, watchPage } from './browser.mjs';

const failures = [];
function check(condition, message) {
  if (!condition) failures.push(message);
  return condition;
}

// The native show's picture as RGBA bytes, from the reference tool.
function nativePicture(seed, steps) {
  const dir = mkdtempSync(join(tmpdir(), 'qv3-webref-'));
  try {
    const out = join(dir, 'picture.rgba');
    const args = [out, String(seed)];
    for (const [width, height, ticks] of steps) args.push(`${width}x${height}`, String(ticks));
    const run = spawnSync(process.env.QV3_WEBREF, args, { encoding: 'utf8' });
    if (run.status !== 0) throw new Error(`webref failed: ${run.stderr}`);
    return readFileSync(out);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

function canvasBytes(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('show');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000)
      text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    return { width: canvas.width, height: canvas.height, base64: btoa(text) };
  });
}

function litPixels(rgba) {
  let lit = 0;
  for (let i = 0; i < rgba.length; i += 4) if (rgba[i] | rgba[i + 1] | rgba[i + 2]) ++lit;
  return lit;
}

function comparePictures(name, got, want) {
  if (!check(got.length === want.length, `${name}: ${got.length} bytes, want ${want.length}`))
    return;
  const at = got.findIndex((byte, i) => byte !== want[i]);
  check(at < 0, `${name}: first difference at byte ${at} (pixel ${Math.floor(at / 4)})`);
  check(litPixels(want) > 1000, `${name}: the reference shows too little to compare`);
}

// Each case: the window (CSS pixels) and device pixel ratio, then the sizes the window takes
// with the ticks run at each; the picture is the window's device pixels over the zoom.
const kPictureCases = [
  { name: '800x600', seed: 7, ratio: 1, windows: [[800, 600, 40]], zoom: 1 },
  { name: 'device pixel ratio 2', seed: 11, ratio: 2, windows: [[800, 600, 40]], zoom: 2 },
  { name: 'resize', seed: 5, ratio: 1, windows: [[800, 600, 15], [640, 480, 40]], zoom: 1 },
];

async function pictureGroup(browser) {
  for (const testCase of kPictureCases) {
    const [firstWidth, firstHeight] = testCase.windows[0];
    const context = await browser.newContext({
      viewport: { width: firstWidth, height: firstHeight },
      deviceScaleFactor: testCase.ratio,
    });
    const page = await context.newPage();
    const problems = watchPage(page, (url) => url.startsWith('file:'));
    await page.goto(pageFileUrl(`?manual=1&seed=${testCase.seed}`));
    await page.waitForFunction(() => window.qvTick !== undefined);
    const steps = [];
    for (const [width, height, ticks] of testCase.windows) {
      await page.setViewportSize({ width, height });
      await page.waitForFunction(([w, h]) => innerWidth === w && innerHeight === h, [width, height]);
      await page.evaluate((count) => window.qvTick(count), ticks);
      steps.push([(width * testCase.ratio) / testCase.zoom, (height * testCase.ratio) / testCase.zoom,
        ticks]);
    }
    const got = await canvasBytes(page);
    const [wantWidth, wantHeight] = steps[steps.length - 1];
    check(got.width === wantWidth && got.height === wantHeight,
      `${testCase.name}: canvas ${got.width}x${got.height}, want ${wantWidth}x${wantHeight}`);
    // The canvas covers the window's device pixels, each picture pixel a zoom x zoom block.
    const box = await page.evaluate(() => {
      const rect = document.getElementById('show').getBoundingClientRect();
      return [rect.width * devicePixelRatio, rect.height * devicePixelRatio];
    });
    check(box[0] === wantWidth * testCase.zoom && box[1] === wantHeight * testCase.zoom,
      `${testCase.name}: canvas shown at ${box} device pixels`);
    comparePictures(testCase.name, Buffer.from(got.base64, 'base64'),
      nativePicture(testCase.seed, steps));
    for (const problem of problems) check(false, `${testCase.name}: ${problem}`);
    await context.close();
  }
}

async function fileGroup(browser) {
  const context = await browser.newContext({ viewport: { width: 640, height: 480 } });
  const page = await context.newPage();
  const problems = watchPage(page, (url) => url.startsWith('file:'));
  await page.goto(pageFileUrl('?speed=5'));
  // Ticks come every 100 ms at speed 5; the first scene's characters show within a few.
  await page.waitForFunction(() => {
    const canvas = document.getElementById('show');
    if (canvas.width < 2) return false;
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let lit = 0;
    for (let i = 0; i < data.length; i += 4) if (data[i] | data[i + 1] | data[i + 2]) ++lit;
    return lit > 1000;
  }, null, { timeout: 20000 });
  const layout = await page.evaluate(() => ({
    scroll: [document.documentElement.scrollWidth, document.documentElement.scrollHeight],
    window: [innerWidth, innerHeight],
    text: document.body.innerText.trim(),
    cursor: getComputedStyle(document.getElementById('show')).cursor,
    bodyCursor: getComputedStyle(document.body).cursor,
    canvas: [document.getElementById('show').width, document.getElementById('show').height],
    firstFrame: window.qvFirstFrameMs,
  }));
  check(layout.scroll[0] <= layout.window[0] && layout.scroll[1] <= layout.window[1],
    `file: scrollable ${layout.scroll} in ${layout.window}`);
  check(layout.text === '', `file: text shown: ${layout.text.slice(0, 40)}`);
  check(layout.cursor === 'none' && layout.bodyCursor === 'none', `file: cursor ${layout.cursor}`);
  check(layout.canvas[0] === 640 && layout.canvas[1] === 480, `file: canvas ${layout.canvas}`);
  check(typeof layout.firstFrame === 'number', 'file: no first frame time');
  for (const problem of problems) check(false, `file: ${problem}`);
  await context.close();
}

async function httpGroup(browser) {
  const server = await servePage();
  try {
    const context = await browser.newContext({ viewport: { width: 640, height: 480 } });
    const page = await context.newPage();
    const problems = watchPage(page, (url) => url.split('?')[0] === server.base);
    await page.goto(`${server.base}?speed=5`);
    await page.waitForFunction(() => window.qvFirstFrameMs !== undefined, null, { timeout: 20000 });
    await page.waitForTimeout(1000);  // a few ticks more, for anything late to be asked for
    check(server.requests.length === 1 && server.requests[0] === '/qavsaver3.html?speed=5',
      `http: the server was asked for ${server.requests}`);
    for (const problem of problems) check(false, `http: ${problem}`);
    await context.close();
  } finally {
    await server.close();
  }
}

// Waits, on the test's own clock, until `predicate` holds in the page: the page's timers and
// animation frames are stopped.
async function pollPage(page, predicate, arg) {
  for (let tries = 0; tries < 500; ++tries) {
    if (await page.evaluate(predicate, arg)) return true;
    await delay(20);
  }
  return false;
}

// Each case: the ticks run at 800x600 (the first at once, then one a period) before the window
// becomes 640x480, and the ticks due after.
const kTimedCases = [
  { seed: 3, before: 24, after: 40 },
  { seed: 21, before: 9, after: 38 },
];

async function timedGroup(browser) {
  const period = 100;  // speed 5
  for (const { seed, before, after } of kTimedCases) {
    const name = `timed seed ${seed}`;
    const context = await browser.newContext({ viewport: { width: 800, height: 600 } });
    const page = await context.newPage();
    const problems = watchPage(page, (url) => url.startsWith('file:'));
    await page.clock.install({ time: 0 });
    await page.clock.pauseAt(1000);
    await page.goto(pageFileUrl(`?speed=5&music=0&seed=${seed}`));
    if (!check(await pollPage(page, () => window.qvFirstTickMs !== undefined), `${name}: no tick`)) {
      await context.close();
      continue;
    }
    // Half a period past the last tick at the old size, so that none is on the edge.
    await page.clock.runFor((before - 1) * period + period / 2);
    await page.evaluate(() => {
      window.qvResizes = 0;
      window.addEventListener('resize', () => ++window.qvResizes);
    });
    await page.setViewportSize({ width: 640, height: 480 });
    check(await pollPage(page, () => window.qvResizes > 0), `${name}: no resize event`);
    await page.clock.runFor(after * period);
    const got = await canvasBytes(page);
    check(got.width === 640 && got.height === 480, `${name}: canvas ${got.width}x${got.height}`);
    comparePictures(name, Buffer.from(got.base64, 'base64'),
      nativePicture(seed, [[800, 600, before], [640, 480, after]]));
    for (const problem of problems) check(false, `${name}: ${problem}`);
    await context.close();
  }
}

// The WAV's format and samples (8- or 16-bit PCM).
function readWave(path) {
  const file = readFileSync(path);
  let offset = 12, format = null, samples = null;
  while (offset + 8 <= file.length) {
    const id = file.toString('ascii', offset, offset + 4);
    const size = file.readUInt32LE(offset + 4);
    if (id === 'fmt ') {
      format = { channels: file.readUInt16LE(offset + 10), rate: file.readUInt32LE(offset + 12),
        bits: file.readUInt16LE(offset + 22) };
    } else if (id === 'data') {
      samples = file.subarray(offset + 8, offset + 8 + size);
    }
    offset += 8 + size + (size & 1);
  }
  return { ...format, samples };
}

function floats(base64) {
  const bytes = Buffer.from(base64, 'base64');
  return new Float32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4);
}

async function musicGroup(browser) {
  const wave = readWave(process.env.QV3_MUSIC);
  if (!check(wave.bits === 8, `music: ${wave.bits}-bit samples; the check reads 8-bit ones`))
    return;
  const context = await browser.newContext();
  const page = await context.newPage();
  const problems = watchPage(page, (url) => url.startsWith('file:'));
  await page.goto(pageFileUrl('?manual=1'));
  await page.waitForFunction(() => window.qvMusicLoop !== undefined);
  // The whole loop and a second's worth of the next, across the seam.
  const loopFrames = wave.samples.length / wave.channels;
  const frames = loopFrames + wave.rate;
  const result = await page.evaluate(([f, r, c]) => window.qvMusicLoop(f, r, c),
    [frames, wave.rate, wave.channels]);
  const rendered = floats(result.rendered), decoded = floats(result.decoded);
  // The decoder gives each 8-bit value one level, rising with the value: the WAV's samples,
  // whatever scale the browser reads them at.
  const levels = new Map();
  let consistent = decoded.length === wave.samples.length;
  for (let i = 0; consistent && i < decoded.length; ++i) {
    const level = levels.get(wave.samples[i]);
    if (level === undefined) levels.set(wave.samples[i], decoded[i]);
    else consistent = level === decoded[i];
  }
  const sorted = [...levels].sort((a, b) => a[0] - b[0]);
  consistent &&= sorted.every(([, level], i) => i === 0 || level > sorted[i - 1][1]);
  check(consistent, 'music: the decoded samples are not the WAV\'s');
  const want = Buffer.concat([wave.samples, wave.samples.subarray(0, wave.rate * wave.channels)]);
  if (check(rendered.length === want.length, `music: ${rendered.length} samples, want ${want.length}`)) {
    const at = rendered.findIndex((sample, i) => sample !== levels.get(want[i]));
    check(at < 0, `music: first difference at sample ${at} of ${want.length} (loop ${loopFrames})`);
  }
  check(levels.size > 16, 'music: too few levels to tell the samples apart');
  for (const problem of problems) check(false, `music: ${problem}`);
  await context.close();
}

// Each case: the query and the settings it must give; seed 'clock' is the time in seconds.
const kDefaults = { speed: 3, music: true, seed: 'clock' };
const kSettingsCases = [
  ['', {}],
  ['?speed=1&music=0&seed=42', { speed: 1, music: false, seed: 42 }],
  ['?speed=5&music=1&seed=4294967295', { speed: 5, seed: 4294967295 }],
  ['?speed=0', {}], ['?speed=6', {}], ['?speed=-1', {}], ['?speed=2.5', {}], ['?speed=', {}],
  ['?speed=abc', {}], ['?speed=%00', {}], ['?speed=3e0', {}], ['?speed=+4', {}],
  ['?speed=99999999999999999999', {}],
  ['?music=2', {}], ['?music=yes', {}], ['?music=', {}], ['?music=-0', {}],
  ['?seed=-5', {}], ['?seed=4294967296', {}], ['?seed=1e3', {}], ['?seed=0x10', {}],
  ['?seed=%F0%9F%98%80', {}], ['?seed', {}],
  ['?speed=4&speed=oops', { speed: 4 }],
  ['?speed=2&music=off&seed=12', { speed: 2, seed: 12 }],
];

async function settingsGroup(browser) {
  const context = await browser.newContext({ viewport: { width: 320, height: 240 } });
  const page = await context.newPage();
  const problems = watchPage(page, (url) => url.startsWith('file:'));
  for (const [query, given] of kSettingsCases) {
    const want = { ...kDefaults, ...given };
    const before = Math.floor(Date.now() / 1000);
    await page.goto(pageFileUrl(query));
    await page.waitForFunction(() => window.qvFirstFrameMs !== undefined);
    const after = Math.floor(Date.now() / 1000);
    const got = await page.evaluate(() => ({ ...window.qvSettings,
      canvas: [document.getElementById('show').width, document.getElementById('show').height] }));
    const seedOk = want.seed === 'clock' ? got.seed >= before && got.seed <= after
      : got.seed === want.seed;
    check(got.speed === want.speed && got.music === want.music && seedOk &&
      got.period === 350 - 50 * want.speed,
      `settings ${JSON.stringify(query)}: got ${JSON.stringify(got)}, want ${JSON.stringify(want)}`);
    check(got.canvas[0] === 320 && got.canvas[1] === 240, `settings ${query}: canvas ${got.canvas}`);
  }
  for (const problem of problems) check(false, `settings: ${problem}`);
  await context.close();
}

const kGroups = { picture: pictureGroup, file: fileGroup, http: httpGroup, music: musicGroup,
  settings: settingsGroup, timed: timedGroup };

const group = kGroups[process.argv[2]];
if (!group) {
  console.error(`usage: node test_page.mjs ${Object.keys(kGroups).join('|')}`);
  process.exit(2);
}
const browser = await launchChromium();
try {
  await group(browser);
} finally {
  await browser.close();
}
for (const failure of failures) console.error(`FAIL ${failure}`);
console.log(failures.length ? `${failures.length} failure(s)` : `${process.argv[2]}: all passed`);
process.exit(failures.length ? 1 : 0);
