// Opens the page in headless Chromium at its own pace and writes screenshots of it:
//   node show.mjs OUTDIR [QUERY]     e.g. QUERY speed=5&music=0
// Environment: QV3_WEB_PAGE, QV3_NODE_MODULES.
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';

import { launchChromium, pageFileUrl } from './browser.mjs';

const [outdir, query = ''] = process.argv.slice(2);
if (!outdir) {
  console.error('usage: node show.mjs OUTDIR [QUERY]');
  process.exit(2);
}
mkdirSync(outdir, { recursive: true });
const browser = await launchChromium();
const page = await browser.newPage({ viewport: { width: 1024, height: 768 } });
await page.goto(pageFileUrl(query ? `?${query.replace(/^\?/, '')}` : ''));
console.log('screenshots written:');
for (let shot = 1; shot <= 6; ++shot) {
  await page.waitForTimeout(2000);
  const path = join(outdir, `web-screen-${shot}.png`);
  await page.screenshot({ path });
  console.log(`  ${path}`);
}
await browser.close();
