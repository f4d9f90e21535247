// Draws the page's PNG icons from icon.svg in headless Chromium; run it after changing icon.svg:
//   NODE_PATH=../tests/web/node_modules node make-icons.mjs
import {createRequire} from 'node:module';
import {readFileSync} from 'node:fs';
import {dirname, join} from 'node:path';
import {fileURLToPath} from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const puppeteer = createRequire(join(here, '..', 'tests', 'web', 'package.json'))('puppeteer-core');
const svg = readFileSync(join(here, 'icon.svg'), 'utf8');
const browser = await puppeteer.launch({executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true, args: ['--no-sandbox']});
try {
  const page = await browser.newPage();
  for (const size of [192, 512]) {
    await page.setViewport({width: size, height: size});
    await page.setContent(`<body style="margin:0">${svg.replace('<svg ',
        `<svg width="${size}" height="${size}" `)}</body>`);
    await page.screenshot({path: join(here, `icon-${size}.png`)});
  }
} finally {
  await browser.close();
}
