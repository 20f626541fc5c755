// The web page in headless Chromium:
//   node test_page.mjs GROUP
// picture:  after N ticks (the page's manual test mode) the picture equals, byte for byte, the
//           picture the native show draws for the same seed and size: at 800x600, at a device
//           pixel ratio of 2 (zoom 2), after a resize, and unpacked without DecompressionStream.
// file:     opened from file:// at its own pace, the page shows characters, fills the window
//           with no scroll bar, text or cursor.
// http:     served over HTTP, the page asks for nothing beyond itself.
// music:    the music looped offline is the WAV's samples over and over, with no gap, also
//           unpacked without DecompressionStream; at 44.1 and 48 kHz the seam is resampled as
//           the rest of the loop is.
// settings: bad URL values give the defaults; without a seed each load picks its own.
// timed:    at its own pace on a clock the test moves on, the page has run exactly the ticks due
//           by then, before and after a resize, however many of them it slept through.
// csp:      served with the strict policy docs/web.md gives, the page runs, styled, with no
//           console error; without 'wasm-unsafe-eval' it says so.
// startup:  without WebAssembly or scripts the page says what is missing; without
//           DecompressionStream it runs.
// copies:   two copies opened together show scenes of their own and play the music once.
// touch:    the first tap, click or key starts the music; pinching does not zoom.
// scale:    at fractional device scales (emulated, and the screen's own) every picture pixel is
//           a sharp zoom x zoom block of device pixels on the screen, and nothing lies past the
//           picture.
// throttled: under timers woken at most once a second, and hidden for a while, the show keeps
//           to the clock, and puts nothing while hidden.
// Every group fails on an error in the console or a request beyond the page.
// Environment: QV3_WEB_PAGE, QV3_NODE_MODULES, QV3_WEBREF (the native reference tool),
// QV3_MUSIC (the WAV file).
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { inflateSync } from 'node:zlib';
import { setTimeout as delay } from 'node:timers/promises';

import { launchChromium, pageFileUrl, servePage, testMode, watchPage } from './browser.mjs';

const kRepoRoot = new URL('../..', import.meta.url).pathname;

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

// The page's picture as its module holds it (one pixel a picture pixel).
function pictureBytes(page) {
  return page.evaluate(() => window.qvPicture());
}

// Waits until the page shows characters (the first scene starts faded out).
async function waitForCharacters(page, timeout = 20000) {
  await page.waitForFunction(() => window.qvFirstFrameMs !== undefined, null, { timeout });
}

// Waits until the canvas shows characters; false if it does not in a generous while.
async function waitForLitCanvas(page) {
  try {
    await page.waitForFunction(() => {
      const canvas = document.getElementById('show');
      if (canvas.width < 2) return false;
      const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let lit = 0;
      for (let i = 0; i < data.length; i += 4) if (data[i] | data[i + 1] | data[i + 2]) ++lit;
      return lit > 1000;
    }, null, { timeout: 20000 });
    return true;
  } catch {
    return false;
  }
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
  { name: 'no DecompressionStream', seed: 2147483647, ratio: 1, windows: [[640, 480, 30]], zoom: 1,
    init: 'delete window.DecompressionStream;' },
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
    await page.addInitScript(testMode({ manual: true }) + (testCase.init || ''));
    await page.goto(pageFileUrl(`?seed=${testCase.seed}`));
    await page.waitForFunction(() => window.qvTick !== undefined);
    const steps = [];
    for (const [width, height, ticks] of testCase.windows) {
      await page.setViewportSize({ width, height });
      await page.waitForFunction(([w, h]) => window.qvPicture().canvas[0] === w * devicePixelRatio &&
        window.qvPicture().canvas[1] === h * devicePixelRatio, [width, height]);
      await page.evaluate((count) => window.qvTick(count), ticks);
      steps.push([(width * testCase.ratio) / testCase.zoom, (height * testCase.ratio) / testCase.zoom,
        ticks]);
    }
    const got = await pictureBytes(page);
    const [wantWidth, wantHeight] = steps[steps.length - 1];
    check(got.width === wantWidth && got.height === wantHeight && got.zoom === testCase.zoom,
      `${testCase.name}: picture ${got.width}x${got.height} at zoom ${got.zoom}, want ` +
      `${wantWidth}x${wantHeight} at ${testCase.zoom}`);
    // The canvas holds the window's device pixels.
    check(got.canvas[0] === wantWidth * testCase.zoom && got.canvas[1] === wantHeight * testCase.zoom,
      `${testCase.name}: canvas ${got.canvas}`);
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
  check(await waitForLitCanvas(page), 'file: no characters on the canvas');
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
    const got = await pictureBytes(page);
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

// The buffer's samples (one channel) read as a periodic signal at `position` (in its frames),
// linearly interpolated, as a looping source reads them.
function periodicAt(samples, channels, channel, position) {
  const frames = samples.length / channels;
  const whole = Math.floor(position);
  const fraction = position - whole;
  const a = samples[(whole % frames) * channels + channel];
  const b = samples[((whole + 1) % frames) * channels + channel];
  return a + (b - a) * fraction;
}

// Each case: what the page lacks (an init script) for the exact loop at the WAV's rate; the
// seam is measured at the output rates of common sound devices.
const kMusicCases = [
  { name: 'music', init: '' },
  { name: 'music without DecompressionStream', init: 'delete window.DecompressionStream;' },
];
const kSeamRates = [44100, 48000];

async function musicGroup(browser) {
  const wave = readWave(process.env.QV3_MUSIC);
  if (!check(wave.bits === 8, `music: ${wave.bits}-bit samples; the check reads 8-bit ones`))
    return;
  const loopFrames = wave.samples.length / wave.channels;
  for (const { name, init } of kMusicCases) {
    const context = await browser.newContext();
    const page = await context.newPage();
    const problems = watchPage(page, (url) => url.startsWith('file:'));
    await page.addInitScript(testMode({ manual: true }) + init);
    await page.goto(pageFileUrl());
    await page.waitForFunction(() => window.qvMusicLoop !== undefined);
    // The whole loop and a second's worth of the next, across the seam.
    const frames = loopFrames + wave.rate;
    const result = await page.evaluate(([f, r, c]) => window.qvMusicLoop(f, r, c, 0),
      [frames, wave.rate, wave.channels]);
    const rendered = floats(result.rendered), decoded = floats(result.decoded);
    // Each 8-bit value gets one level, rising with the value: the WAV's samples, whatever
    // scale they are read at.
    const levels = new Map();
    let consistent = decoded.length === wave.samples.length && result.bufferRate === wave.rate;
    for (let i = 0; consistent && i < decoded.length; ++i) {
      const level = levels.get(wave.samples[i]);
      if (level === undefined) levels.set(wave.samples[i], decoded[i]);
      else consistent = level === decoded[i];
    }
    const sorted = [...levels].sort((x, y) => x[0] - y[0]);
    consistent &&= sorted.every(([, level], i) => i === 0 || level > sorted[i - 1][1]);
    check(consistent, `${name}: the looped samples are not the WAV's`);
    const want = Buffer.concat([wave.samples, wave.samples.subarray(0, wave.rate * wave.channels)]);
    if (check(rendered.length === want.length,
      `${name}: ${rendered.length} samples, want ${want.length}`)) {
      const at = rendered.findIndex((sample, i) => sample !== levels.get(want[i]));
      check(at < 0, `${name}: first difference at sample ${at} of ${want.length} (loop ${loopFrames})`);
    }
    check(levels.size > 16, `${name}: too few levels to tell the samples apart`);

    // At an output rate of its own the loop is resampled as one periodic signal: the frames
    // around the seam are as near the signal read across it as the others are near theirs.
    for (const rate of init ? [] : kSeamRates) {
      const step = wave.rate / rate;
      const seam = Math.ceil(loopFrames / step);  // the first output frame past the seam
      const from = seam - rate / 2, count = rate;
      const slice = floats((await page.evaluate(([f, r, c, at]) => window.qvMusicLoop(f, r, c, at),
        [from + count, rate, wave.channels, from])).rendered);
      let seamError = 0, otherError = 0;
      for (let i = 0; i < count; ++i) {
        for (let c = 0; c < wave.channels; ++c) {
          const error = Math.abs(slice[i * wave.channels + c] -
            periodicAt(decoded, wave.channels, c, (from + i) * step));
          if (Math.abs(from + i - seam) <= 8) seamError = Math.max(seamError, error);
          else otherError = Math.max(otherError, error);
        }
      }
      console.log(`${name} at ${rate} Hz: largest error at the seam ${seamError.toExponential(2)}, ` +
        `elsewhere ${otherError.toExponential(2)} (full scale 1)`);
      check(seamError <= Math.max(2 * otherError, 1e-3),
        `${name} at ${rate} Hz: the seam is off by ${seamError} (elsewhere ${otherError})`);
    }
    for (const problem of problems) check(false, `${name}: ${problem}`);
    await context.close();
  }
}

// Each case: the query and the settings it must give; seed 'fresh' is one of the page's own.
// The test modes are out of a URL's reach: the page runs as usual.
const kDefaults = { speed: 3, music: true, seed: 'fresh' };
const kSettingsCases = [
  ['', {}],
  ['?speed=1&music=0&seed=42', { speed: 1, music: false, seed: 42 }],
  ['?speed=5&music=1&seed=2147483647', { speed: 5, seed: 2147483647 }],
  ['?seed=0', { seed: 0 }], ['?seed=2147483648', {}], ['?seed=4294967295', {}],
  ['?manual=1', {}], ['?bench=idle', {}], ['?bench=whole', {}],
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
  const freshSeeds = new Set();
  let freshLoads = 0;
  for (const [query, given] of kSettingsCases) {
    const want = { ...kDefaults, ...given };
    await page.goto(pageFileUrl(query));
    await waitForCharacters(page);
    const got = await page.evaluate(() => ({ ...window.qvSettings,
      canvas: [document.getElementById('show').width, document.getElementById('show').height] }));
    const seedOk = want.seed === 'fresh'
      ? Number.isInteger(got.seed) && got.seed >= 0 && got.seed <= 0x7fffffff
      : got.seed === want.seed;
    if (want.seed === 'fresh') {
      freshSeeds.add(got.seed);
      ++freshLoads;
    }
    check(got.speed === want.speed && got.music === want.music && seedOk &&
      got.period === 350 - 50 * want.speed,
      `settings ${JSON.stringify(query)}: got ${JSON.stringify(got)}, want ${JSON.stringify(want)}`);
    check(got.canvas[0] === 320 && got.canvas[1] === 240, `settings ${query}: canvas ${got.canvas}`);
  }
  // Loads within the same second pick seeds of their own.
  check(freshSeeds.size >= freshLoads - 1,
    `settings: ${freshLoads} loads without a seed picked only ${freshSeeds.size} seeds`);
  for (const problem of problems) check(false, `settings: ${problem}`);
  await context.close();
}

// The one-line policy docs/web.md gives hosts, after "Content-Security-Policy: ".
function documentedPolicy() {
  const docs = readFileSync(join(kRepoRoot, 'docs', 'web.md'), 'utf8');
  const match = docs.match(/^ *Content-Security-Policy: (.+)$/m);
  return match ? match[1].trim() : null;
}

// Each case: the policy the server sends, and whether the page runs or says why not.
const kPolicyCases = [
  { name: 'documented policy', policy: (documented) => documented, runs: true },
  { name: 'policy without wasm-unsafe-eval',
    policy: (documented) => documented.replace(" 'wasm-unsafe-eval'", ''), runs: false },
];

async function cspGroup(browser) {
  const documented = documentedPolicy();
  if (!check(documented !== null, 'csp: docs/web.md gives no Content-Security-Policy line')) return;
  // The build writes the policy the page needs beside it: the docs must give that one.
  const built = readFileSync(process.env.QV3_WEB_PAGE.replace(/\.html$/, '.csp'), 'utf8').trim();
  check(documented === built, `csp: docs/web.md gives ${documented}, the page needs ${built}`);
  for (const testCase of kPolicyCases) {
    const policy = testCase.policy(documented);
    const server = await servePage(policy);
    const context = await browser.newContext({ viewport: { width: 640, height: 480 } });
    const page = await context.newPage();
    const problems = watchPage(page, (url) => url.split('?')[0] === server.base);
    await page.addInitScript(`window.qvViolations = [];
      document.addEventListener('securitypolicyviolation',
        (event) => window.qvViolations.push(event.violatedDirective));`);
    try {
      await page.goto(`${server.base}?speed=5`);
      if (testCase.runs) {
        check(await waitForLitCanvas(page), `${testCase.name}: no characters`);
        const look = await page.evaluate(() => {
          const style = getComputedStyle(document.body);
          const canvas = getComputedStyle(document.getElementById('show'));
          return { margin: style.marginLeft, cursor: canvas.cursor, rendering: canvas.imageRendering,
            scroll: [document.documentElement.scrollWidth, document.documentElement.scrollHeight],
            touch: canvas.touchAction };
        });
        check(look.margin === '0px' && look.cursor === 'none' && look.rendering === 'pixelated' &&
          look.touch === 'none' && look.scroll[0] <= 640 && look.scroll[1] <= 480,
          `${testCase.name}: the page's style is not applied: ${JSON.stringify(look)}`);
        const violations = await page.evaluate(() => window.qvViolations);
        check(violations.length === 0, `${testCase.name}: the policy refused ${violations}`);
        for (const problem of problems) check(false, `${testCase.name}: ${problem}`);
      } else {
        await page.waitForFunction(() => window.qvFailed !== undefined, null, { timeout: 20000 });
        const shown = await page.evaluate(() => document.getElementById('message').innerText);
        check(/wasm-unsafe-eval/.test(shown), `${testCase.name}: the page says ${shown}`);
        check((await page.evaluate(() => window.qvViolations)).length > 0,
          `${testCase.name}: the policy did not bite`);
      }
    } finally {
      await context.close();
      await server.close();
    }
  }
}

// Each case: what the page lacks, and what it must show then: characters, or a message.
const kStartupCases = [
  { name: 'no WebAssembly', init: 'delete window.WebAssembly;', says: /WebAssembly.*Chrome/,
    screenshot: 'web-no-webassembly.png' },
  { name: 'no DecompressionStream', init: 'delete window.DecompressionStream;', runs: true },
  { name: 'no scripts', scriptsOff: true, says: /needs JavaScript/ },
];

async function startupGroup(browser) {
  for (const testCase of kStartupCases) {
    const context = await browser.newContext({ viewport: { width: 640, height: 360 },
      javaScriptEnabled: !testCase.scriptsOff });
    const page = await context.newPage();
    const problems = watchPage(page, (url) => url.startsWith('file:'));
    if (testCase.init) await page.addInitScript(testCase.init);
    await page.goto(pageFileUrl('?speed=5'));
    if (testCase.runs) {
      check(await waitForLitCanvas(page), `${testCase.name}: no characters`);
    } else {
      if (!testCase.scriptsOff)
        await page.waitForFunction(() => window.qvFailed !== undefined, null, { timeout: 20000 });
      const text = await page.locator('p:visible').innerText().catch(() => '');
      const box = await page.locator('p:visible').boundingBox().catch(() => null);
      // One line of 14 px type, 1.5 lines apart.
      check(testCase.says.test(text) && box !== null && box.height < 30,
        `${testCase.name}: the page says ${JSON.stringify(text)} in ${box && box.height} px`);
      if (testCase.screenshot && process.env.QV3_SHOTS) {
        await page.screenshot({ path: join(process.env.QV3_SHOTS, testCase.screenshot) });
      }
    }
    for (const problem of problems) check(false, `${testCase.name}: ${problem}`);
    await context.close();
  }
}

// Two copies of the page, one a screen, opened together: scenes of their own, and the music
// from one of them, then from the other once the first is closed. Each case: where they come
// from.
const kCopiesCases = [{ name: 'copies over HTTP', http: true }, { name: 'copies from file://' }];

async function copiesGroup() {
  const browser = await launchChromium(['--autoplay-policy=no-user-gesture-required']);
  try {
    for (const testCase of kCopiesCases) {
      const server = testCase.http ? await servePage() : null;
      const url = testCase.http ? `${server.base}?speed=5` : pageFileUrl('?speed=5');
      const context = await browser.newContext({ viewport: { width: 480, height: 320 } });
      const pages = await Promise.all([context.newPage(), context.newPage()]);
      const problems = pages.map((page) => watchPage(page, (u) => u.split('?')[0] === url.split('?')[0]));
      await Promise.all(pages.map((page) => page.goto(url)));
      await Promise.all(pages.map((page) => waitForCharacters(page)));
      const seeds = await Promise.all(pages.map((page) => page.evaluate(() => window.qvSettings.seed)));
      check(seeds[0] !== seeds[1], `${testCase.name}: both copies have seed ${seeds[0]}`);
      const pictures = await Promise.all(pages.map((page) => pictureBytes(page)));
      check(pictures[0].base64 !== pictures[1].base64, `${testCase.name}: the same picture twice`);
      // One copy plays; the other waits while it does.
      const states = async () => Promise.all(pages.map((page) => page.evaluate(() => window.qvMusicState())));
      let playing = [];
      for (let tries = 0; tries < 200 && playing.length === 0; ++tries) {
        await delay(50);
        playing = (await states()).flatMap((state, i) => (state === 'running' ? [i] : []));
      }
      await delay(1000);  // time enough for a second player to start, were there one
      const settled = await states();
      check(settled.filter((state) => state === 'running').length === 1,
        `${testCase.name}: music states ${settled}`);
      if (playing.length === 1) {
        const other = pages[1 - playing[0]];
        await pages[playing[0]].close();
        check(await pollPage(other, () => window.qvMusicState() === 'running'),
          `${testCase.name}: the other copy did not take the music over`);
      }
      for (const list of problems) for (const problem of list) check(false, `${testCase.name}: ${problem}`);
      await context.close();
      if (server) await server.close();
    }
  } finally {
    await browser.close();
  }
}

// Each case: the first input on a touch screen, and how it is made.
const kTouchCases = [
  { name: 'tap', act: (page) => page.touchscreen.tap(200, 150) },
  { name: 'click', act: (page) => page.mouse.click(200, 150) },
  { name: 'key', act: (page) => page.keyboard.press('Space') },
];

// An expression's value in the page, read without the user activation playwright's own
// evaluate grants the page (which would let it play sound without any input).
async function quietValue(session, expression) {
  const { result } = await session.send('Runtime.evaluate', { expression, returnByValue: true });
  return result.value;
}

async function pollQuietly(session, expression) {
  for (let tries = 0; tries < 500; ++tries) {
    if (await quietValue(session, expression)) return true;
    await delay(20);
  }
  return false;
}

async function touchGroup() {
  // Sound only after an input, as in a browser as installed.
  const browser = await launchChromium(['--autoplay-policy=document-user-activation-required']);
  try {
    for (const testCase of kTouchCases) {
      const context = await browser.newContext({ viewport: { width: 400, height: 300 },
        hasTouch: true, isMobile: true, deviceScaleFactor: 2 });
      const page = await context.newPage();
      const session = await context.newCDPSession(page);
      const problems = watchPage(page, (url) => url.startsWith('file:'));
      await page.goto(pageFileUrl('?speed=5'));
      const state = '(window.qvMusicState ? window.qvMusicState() : "none")';
      check(await pollQuietly(session, `${state} === 'suspended'`) &&
        !(await quietValue(session, 'navigator.userActivation.hasBeenActive')),
        `${testCase.name}: music ${await quietValue(session, state)} before any input`);
      await testCase.act(page);
      check(await pollQuietly(session, `${state} === 'running'`),
        `${testCase.name}: music ${await quietValue(session, state)} after it`);
      if (testCase.name === 'tap') {
        // Neither a pinch nor a double tap zooms the show. (Headless Chromium zooms no page on a
        // synthesized pinch, so what the page asks for is checked.)
        const declared = await quietValue(session, `JSON.stringify([
          ...['html', 'body', 'canvas'].map((tag) =>
            getComputedStyle(document.querySelector(tag)).touchAction),
          document.querySelector('meta[name=viewport]').content])`);
        check(declared === JSON.stringify(['none', 'none', 'none',
          'width=device-width, initial-scale=1, maximum-scale=1, user-scalable=no']),
        `${testCase.name}: touch-action and viewport ${declared}`);
      }
      for (const problem of problems) check(false, `${testCase.name}: ${problem}`);
      await context.close();
    }
  } finally {
    await browser.close();
  }
}

// A screenshot's pixels: 8-bit RGB or RGBA PNG, not interlaced, as Chromium writes them.
function readPng(file) {
  const width = file.readUInt32BE(16), height = file.readUInt32BE(20);
  const depth = file[24], colour = file[25], interlace = file[28];
  if (depth !== 8 || (colour !== 2 && colour !== 6) || interlace !== 0)
    throw new Error(`PNG of depth ${depth}, colour type ${colour}, interlace ${interlace}`);
  const channels = colour === 6 ? 4 : 3;
  const chunks = [];
  for (let at = 8; at + 8 <= file.length;) {
    const size = file.readUInt32BE(at);
    if (file.toString('ascii', at + 4, at + 8) === 'IDAT') chunks.push(file.subarray(at + 8, at + 8 + size));
    at += 12 + size;
  }
  const raw = inflateSync(Buffer.concat(chunks));
  const stride = width * channels;
  const data = Buffer.alloc(width * height * 4);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const row = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const left = i >= channels ? row[i - channels] : 0, up = previous[i];
      const upLeft = i >= channels ? previous[i - channels] : 0;
      let add = 0;
      if (filter === 1) add = left;
      else if (filter === 2) add = up;
      else if (filter === 3) add = (left + up) >> 1;
      else if (filter === 4) {
        const p = left + up - upLeft, pa = Math.abs(p - left), pb = Math.abs(p - up);
        const pc = Math.abs(p - upLeft);
        add = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
      }
      row[i] = (row[i] + add) & 0xff;
    }
    for (let x = 0; x < width; ++x) {
      for (let c = 0; c < 3; ++c) data[(y * width + x) * 4 + c] = row[x * channels + c];
      data[(y * width + x) * 4 + 3] = 255;
    }
    previous = row;
  }
  return { width, height, data };
}

// Compares the screen, device pixel by device pixel, with the page's picture blown up by its
// zoom: black past the picture, nothing of it past the canvas.
async function compareScreen(page, name) {
  const problems = watchPage(page, (url) => url.startsWith('file:'));
  await page.addInitScript(testMode({ manual: true }));
  await page.goto(pageFileUrl('?seed=9'));
  await page.waitForFunction(() => window.qvTick !== undefined);
  await page.evaluate(() => window.qvTick(40));
  const picture = await pictureBytes(page);
  const rgba = Buffer.from(picture.base64, 'base64');
  const shot = readPng(await page.screenshot());
  const zoom = picture.zoom;
  // The canvas holds the screen's device pixels; the picture's zoomed blocks cover all it can.
  check(picture.canvas[0] === shot.width && picture.canvas[1] === shot.height,
    `${name}: canvas ${picture.canvas}, screen ${shot.width}x${shot.height}`);
  let wrong = 0, first = null;
  for (let y = 0; y < shot.height; ++y) {
    for (let x = 0; x < shot.width; ++x) {
      const px = Math.floor(x / zoom), py = Math.floor(y / zoom);
      const inside = px < picture.width && py < picture.height;
      const from = (py * picture.width + px) * 4, at = (y * shot.width + x) * 4;
      for (let c = 0; c < 3; ++c) {
        const want = inside ? rgba[from + c] : 0;
        if (shot.data[at + c] !== want) {
          ++wrong;
          first ??= `(${x}, ${y})`;
          break;
        }
      }
    }
  }
  check(litPixels(rgba) > 500, `${name}: too little drawn to compare`);
  check(wrong === 0, `${name}: ${wrong} device pixels differ from the zoomed picture, first at ${first}`);
  for (const problem of problems) check(false, `${name}: ${problem}`);
}

// Each case: the window in CSS pixels and the device scale, emulated by the browser.
const kScaleCases = [
  [800, 600, 1], [640, 480, 1.25], [333, 211, 1.5], [480, 360, 1.75], [400, 300, 2],
  [960, 540, 2.25], [999, 777, 2.5], [412, 915, 2.625], [393, 873, 2.75], [360, 240, 3],
  [320, 240, 3.5], [300, 200, 4],
];
// Scales the browser is started at, as a screen's own (where the canvas's device pixel box is
// reported as the screen has it, unlike under emulation), and its window's size.
const kForcedScaleCases = [[333, 211, 1.5], [412, 915, 2.625], [393, 873, 2.75]];

async function scaleGroup(browser) {
  for (const [width, height, scale] of kScaleCases) {
    const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: scale });
    await compareScreen(await context.newPage(), `${width}x${height} at ${scale}`);
    await context.close();
  }
  for (const [width, height, scale] of kForcedScaleCases) {
    const forced = await launchChromium([`--force-device-scale-factor=${scale}`,
      `--window-size=${width},${height}`]);
    try {
      const context = await forced.newContext({ viewport: null });
      await compareScreen(await context.newPage(), `window ${width}x${height} at ${scale} (screen)`);
    } finally {
      await forced.close();
    }
  }
}

// Timers that wake at most once a second, on the second (as in a throttled web view or a
// hidden page); the page's visibility under the test's control.
const kThrottle = `(() => {
  const realSetTimeout = window.setTimeout.bind(window);
  window.setTimeout = (callback, wait = 0, ...args) => {
    const now = performance.now();
    const due = Math.max(now + wait, Math.ceil((now + 1) / 1000) * 1000);
    return realSetTimeout(callback, due - now, ...args);
  };
  window.qvHidden = false;
  Object.defineProperty(Document.prototype, 'visibilityState',
    { get: () => (window.qvHidden ? 'hidden' : 'visible') });
  Object.defineProperty(Document.prototype, 'hidden', { get: () => window.qvHidden });
})();`;

async function throttledGroup(browser) {
  const period = 100;  // speed 5
  const context = await browser.newContext({ viewport: { width: 480, height: 320 } });
  const page = await context.newPage();
  const problems = watchPage(page, (url) => url.startsWith('file:'));
  await page.addInitScript(kThrottle + testMode({ wakes: [] }));
  await page.goto(pageFileUrl('?speed=5&music=0&seed=4'));
  await waitForCharacters(page);
  // Shown for 8 s, hidden for 6 s, shown again for 6 s.
  await delay(8000);
  await page.evaluate(() => {
    window.qvHidden = true;
    window.qvHiddenFrom = performance.now();
    document.dispatchEvent(new Event('visibilitychange'));
  });
  await delay(6000);
  await page.evaluate(() => {
    window.qvHiddenTo = performance.now();
    window.qvHidden = false;
    document.dispatchEvent(new Event('visibilitychange'));
  });
  await delay(6000);
  const { wakes, counts, hiddenFrom, hiddenTo } = await page.evaluate(() => ({
    wakes: window.qvTest.wakes, counts: window.qvCounts(), hiddenFrom: window.qvHiddenFrom,
    hiddenTo: window.qvHiddenTo }));
  // After every wake the ticks due by then have run: at most one behind the clock.
  let worst = 0, putsHidden = 0;
  for (const wake of wakes) {
    const due = Math.floor((wake.now - wake.startMs) / period) + 1;
    worst = Math.max(worst, due - wake.ticks);
  }
  const hiddenWakes = wakes.filter((wake) => wake.now > hiddenFrom && wake.now < hiddenTo);
  if (hiddenWakes.length) putsHidden = hiddenWakes.at(-1).puts - hiddenWakes[0].puts;
  console.log(`throttled: ${wakes.length} wakes, ${counts.ticks} ticks in ` +
    `${((counts.now - counts.startMs) / 1000).toFixed(1)} s, at most ${worst} behind after a wake`);
  check(wakes.length >= 10 && wakes.length <= 30, `throttled: ${wakes.length} wakes in 20 s`);
  check(worst <= 1, `throttled: ${worst} ticks behind the clock after a wake`);
  check(hiddenWakes.length >= 3 && putsHidden === 0,
    `throttled: ${putsHidden} puts in ${hiddenWakes.length} hidden wakes`);
  check(counts.puts > 5, `throttled: only ${counts.puts} puts`);
  for (const problem of problems) check(false, `throttled: ${problem}`);
  await context.close();
}

const kGroups = { picture: pictureGroup, file: fileGroup, http: httpGroup, music: musicGroup,
  settings: settingsGroup, timed: timedGroup, csp: cspGroup, startup: startupGroup,
  copies: copiesGroup, touch: touchGroup, scale: scaleGroup, throttled: throttledGroup };
// Groups that launch a browser of their own, with switches of their own.
const kOwnBrowser = new Set(['copies', 'touch']);

const group = kGroups[process.argv[2]];
if (!group) {
  console.error(`usage: node test_page.mjs ${Object.keys(kGroups).join('|')}`);
  process.exit(2);
}
if (kOwnBrowser.has(process.argv[2])) {
  await group();
} else {
  const browser = await launchChromium();
  try {
    await group(browser);
  } finally {
    await browser.close();
  }
}
for (const failure of failures) console.error(`FAIL ${failure}`);
console.log(failures.length ? `${failures.length} failure(s)` : `${process.argv[2]}: all passed`);
process.exit(failures.length ? 1 : 0);
