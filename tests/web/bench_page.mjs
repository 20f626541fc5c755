// The page's cost in headless Chromium at 1920x1080, with figures against yardsticks measured
// in the same run: the CPU time of Chromium's whole process tree over a stretch of seconds for
// the page (putting only the rectangles that changed), the same page with its music playing,
// the same page putting the whole frame every tick (bench: 'whole') and an idle page with the
// same canvas (bench: 'idle'), alternating, medians of three runs each; the time from navigation
// to the first frame in a warm browser; and to the first characters in a cold browser, with
// and without the music.
//   node bench_page.mjs [SECONDS]
// Environment: QV3_WEB_PAGE, QV3_NODE_MODULES.
import { readdirSync, readFileSync } from 'node:fs';

import { launchChromium, pageFileUrl, testMode } from './browser.mjs';

const seconds = Number(process.argv[2] || 30);
const ticksPerSecond = 100;  // USER_HZ on Linux

// utime + stime, in clock ticks, of every process below this one (the browser's tree), by
// process (its id and start time, as ids are reused).
function treeCpuTicks() {
  const parents = new Map(), cpu = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^[0-9]+$/.test(name)) continue;
    let stat;
    try {
      stat = readFileSync(`/proc/${name}/stat`, 'utf8');
    } catch {
      continue;  // it ended meanwhile
    }
    const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    parents.set(Number(name), Number(fields[1]));
    cpu.set(Number(name), { start: fields[19], ticks: Number(fields[11]) + Number(fields[12]) });
  }
  const tree = new Map();
  for (const [pid, { start, ticks }] of cpu) {
    for (let up = parents.get(pid); up; up = parents.get(up)) {
      if (up === process.pid) {
        tree.set(`${pid}@${start}`, ticks);
        break;
      }
    }
  }
  return tree;
}

// The ticks the tree's processes used between two readings. Each process counts for what it
// used in between: a renderer of an earlier page that ends meanwhile takes none of its earlier
// time out of the sum (what it used in between is lost with it; a closed page's is little).
function ticksBetween(before, after) {
  let total = 0;
  for (const [key, ticks] of after) total += ticks - (before.get(key) ?? 0);
  return total;
}

// Sound plays without an input, as it would once the saver's page has had one.
const kAutoplay = '--autoplay-policy=no-user-gesture-required';
const browser = await launchChromium([kAutoplay]);
const context = await browser.newContext({ viewport: { width: 1920, height: 1080 } });

async function cpuSeconds([query, mode]) {
  const page = await context.newPage();
  if (mode) await page.addInitScript(testMode(mode));
  await page.goto(pageFileUrl(query));
  await page.waitForTimeout(2000);  // past start-up
  const before = treeCpuTicks();
  await page.waitForTimeout(seconds * 1000);
  const used = ticksBetween(before, treeCpuTicks()) / ticksPerSecond;
  await page.close();
  return used;
}

const kinds = [
  ['page (changed rectangles)', ['?speed=3&music=0&seed=1']],
  ['page with music', ['?speed=3&music=1&seed=1']],
  ['whole frame every tick', ['?speed=3&music=0&seed=1', { bench: 'whole' }]],
  ['idle page, same canvas', ['?speed=3&music=0&seed=1', { bench: 'idle' }]],
];
// Alternating runs, so that a stretch of load on the shared machine falls on every kind; the
// median of each kind's runs.
const kRounds = 3;
const runs = Object.fromEntries(kinds.map(([name]) => [name, []]));
for (let round = 0; round < kRounds; ++round) {
  for (const [name, query] of kinds) runs[name].push(await cpuSeconds(query));
}
const median = (values) => [...values].sort((a, b) => a - b)[values.length >> 1];
const used = {};
for (const [name] of kinds) {
  used[name] = median(runs[name]);
  console.log(`${name}: ${used[name].toFixed(2)} s CPU over ${seconds} s ` +
    `(${((100 * used[name]) / seconds).toFixed(1)}% of a core; median of ${kRounds} runs: ` +
    `${runs[name].map((v) => v.toFixed(2)).join(', ')})`);
}
const [page, music, whole, idle] = kinds.map(([name]) => used[name]);
console.log(`page / whole frame: ${(page / whole).toFixed(2)} (goal <= 0.5)`);
console.log(`page / idle: ${(page / Math.max(idle, 0.01)).toFixed(2)} (goal <= 3)`);
console.log(`page with music / page: ${(music / Math.max(page, 0.01)).toFixed(2)} (goal <= 1.5)`);

// The first frame: navigation start to the first tick put on the canvas (the scene starts
// faded out, so that frame is black), and to the first that shows characters, one tick period
// later; in a browser already warm.
const page2 = await context.newPage();
const firstTick = [], firstCharacters = [];
for (let run = 0; run < 7; ++run) {
  await page2.goto(pageFileUrl(`?music=0&seed=${run + 1}`));
  await page2.waitForFunction(() => window.qvFirstFrameMs !== undefined);
  if (run === 0) continue;
  firstTick.push(await page2.evaluate(() => window.qvFirstTickMs));
  firstCharacters.push(await page2.evaluate(() => window.qvFirstFrameMs));
}
const range = (values) => `${Math.min(...values).toFixed(0)}-${Math.max(...values).toFixed(0)}`;
console.log(`first frame: median ${median(firstTick).toFixed(0)} ms, range ${range(firstTick)} ms ` +
  `(goal <= 300); first characters: median ${median(firstCharacters).toFixed(0)} ms, range ` +
  `${range(firstCharacters)} ms`);
await browser.close();

// Cold: a fresh browser for each load, music off and on alternating.
const cold = { off: [], on: [] };
for (let run = 0; run < 5; ++run) {
  for (const music of ['off', 'on']) {
    const fresh = await launchChromium([kAutoplay]);
    const page = await fresh.newPage({ viewport: { width: 1920, height: 1080 } });
    await page.goto(pageFileUrl(`?music=${music === 'on' ? 1 : 0}&seed=${run + 1}`));
    await page.waitForFunction(() => window.qvFirstFrameMs !== undefined);
    cold[music].push(await page.evaluate(() => window.qvFirstFrameMs));
    await fresh.close();
  }
}
console.log(`first characters, cold browser: music off median ${median(cold.off).toFixed(0)} ms ` +
  `(${range(cold.off)}), music on median ${median(cold.on).toFixed(0)} ms (${range(cold.on)}); ` +
  `on - off ${(median(cold.on) - median(cold.off)).toFixed(0)} ms (goal <= 100)`);
