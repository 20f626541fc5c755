// What the page's tests and benchmark share: Debian's Chromium driven by playwright-core, and
// a local HTTP server that serves the page and nothing else.
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

export const kChromium = process.env.QV3_CHROMIUM || '/usr/lib/chromium/chromium';
export const kPage = process.env.QV3_WEB_PAGE;

// playwright-core lives in the build tree, installed there from this folder's lock file.
export async function launchChromium(extraArgs = []) {
  const modules = process.env.QV3_NODE_MODULES;
  const { chromium } = await import(pathToFileURL(join(modules, 'playwright-core', 'index.mjs')));
  // Each launch gets a fresh profile folder of its own.
  return chromium.launch({ executablePath: kChromium, headless: true, args: extraArgs });
}

// Test settings for the page, set before its script runs (see the page's testMode).
export function testMode(mode) {
  return `window.qvTest = ${JSON.stringify(mode)};`;
}

export function pageFileUrl(query = '') {
  return pathToFileURL(kPage).href + query;
}

// Serves the page at /qavsaver3.html, with a Content-Security-Policy header when `policy` is
// given; every request is recorded, whatever its path.
export async function servePage(policy = null) {
  const body = readFileSync(kPage);
  const requests = [];
  const server = createServer((request, response) => {
    requests.push(request.url);
    if (request.url.split('?')[0] === '/qavsaver3.html') {
      const headers = { 'Content-Type': 'text/html; charset=utf-8' };
      if (policy) headers['Content-Security-Policy'] = policy;
      response.writeHead(200, headers);
      response.end(body);
    } else {
      response.writeHead(404);
      response.end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const base = `http://127.0.0.1:${server.address().port}/qavsaver3.html`;
  return { base, requests, close: () => new Promise((resolve) => server.close(resolve)) };
}

// Records what a page must never do: an error in its console, an uncaught exception, or a
// request for anything but `allowedUrl`s (the page itself).
export function watchPage(page, allowed) {
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('request', (request) => {
    const url = request.url();
    if (!allowed(url)) problems.push(`request: ${url.slice(0, 100)}`);
  });
  return problems;
}
