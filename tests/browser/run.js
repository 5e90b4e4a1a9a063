// Reads converted sites as a reader would, in headless Chromium opened on the
// files themselves (file://): the contents, the previous and next links, the
// arrow keys, the search, the current entry in view on a wide and a narrow
// screen, no sideways scrolling on a phone, and no tab opened by any of it.
//
//   node run.js [--screenshots DIR] SITE_FOLDER...
//
// Each SITE_FOLDER holds a site converted with the shipped template, header
// and footer; its main file is Report.htm. Prints one line per check and the
// closing line "N passed, M failed"; exits 1 when a check failed.
"use strict";

const fs = require("fs");
const path = require("path");
const vm = require("vm");
const zlib = require('zlib');
const puppeteer = require("puppeteer-core");

const WIDE = { width: 1280, height: 900 };
const NARROW = { width: 400, height: 800, isMobile: true, hasTouch: true };

let passed = 0;
let failed = 0;

async function check(name, body) {
  try {
    await body();
    passed++;
    console.log(`ok - ${name}`);
  } catch (error) {
    failed++;
    console.log(`not ok - ${name}: ${error.message}`);
  }
}

function expect(condition, message) {
  if (!condition) throw new Error(message);
}

function fileUrl(file) {
  return "file://" + path.resolve(file);
}

function pageFileOf(url) {
  return decodeURIComponent(new URL(url).pathname.split("/").pop());
}

// The site's search index as [file, title, text] records, its character
// references left as they are: inflated by Node's zlib, so that the page's
// own inflater is checked against another.
function readIndex(folder) {
  const name = fs.readdirSync(folder).find((f) => f.endsWith("_search.js"));
  expect(name, `no search index in ${folder}`);
  let pages = null;
  vm.runInNewContext(fs.readFileSync(path.join(folder, name), 'latin1'), {
    quillerySearchIndex: (size, packed) => {
      const bytes = zlib.inflateRawSync(Buffer.from(packed, 'base64'));
      expect(
          bytes.length === size,
          `the index inflates to ${bytes.length} bytes, not ${size}`);
      pages = bytes.toString('latin1').split('\x1e').slice(0, -1).map(
          (record) => record.split('\x1f').slice(0, 3));
    },
  });
  return pages;
}

// A word of a page in the middle that no other page holds (in any letter
// case, as a part of a longer word too), and that page.
function wordOnOnePage(pages) {
  const lower = pages.map((p) => (p[1] + " " + p[2]).toLowerCase());
  const order = [];
  for (let i = 0; i < pages.length; i++) {
    order.push((Math.floor(pages.length / 2) + i) % pages.length);
  }
  for (const at of order) {
    const words = pages[at][2].split(/[\s.,;:!?()"]+/)
        .filter((w) => /^[A-Za-z0-9]{5,}$/.test(w));
    for (const word of words.slice(0, 80)) {
      const needle = word.toLowerCase();
      let holders = 0;
      for (const text of lower) {
        if (text.includes(needle) && ++holders > 1) break;
      }
      if (holders === 1) return { word, file: pages[at][0] };
    }
  }
  // Two words together narrow it further.
  for (const at of order) {
    const words = pages[at][2].split(/\s+/);
    for (let i = 0; i + 1 < words.length && i < 200; i++) {
      const needle = (words[i] + " " + words[i + 1]).toLowerCase();
      if (needle.length < 8 || /&/.test(needle)) continue;
      if (lower.filter((t) => t.includes(needle)).length === 1) {
        return { word: words[i] + " " + words[i + 1], file: pages[at][0] };
      }
    }
  }
  throw new Error("no word is found on exactly one page");
}

async function open(page, url) {
  await page.goto(url, { waitUntil: "load" });
  // The site's script is deferred; it has run by "load".
}

async function clickAndWait(page, selector) {
  await Promise.all([
    page.waitForNavigation({ waitUntil: "load" }),
    page.click(selector),
  ]);
}

async function pressAndWait(page, key) {
  await Promise.all([
    page.waitForNavigation({ waitUntil: "load" }),
    page.keyboard.press(key),
  ]);
}

// Whether the current contents entry lies inside the window and inside the
// box it scrolls in.
async function currentEntryInView(page) {
  return page.evaluate(() => {
    const link = document.querySelector('#q-toc a[aria-current="page"]');
    if (!link) return "no current entry";
    const r = link.getBoundingClientRect();
    if (r.height === 0) return "the current entry is not shown";
    if (r.top < 0 || r.bottom > window.innerHeight) {
      return `the current entry is at y=${Math.round(r.top)}, outside the window`;
    }
    for (let box = link.parentElement; box; box = box.parentElement) {
      const style = getComputedStyle(box);
      if (style.overflowY === "auto" || style.overflowY === "scroll") {
        const b = box.getBoundingClientRect();
        if (r.top < b.top || r.bottom > b.bottom) {
          return "the current entry is scrolled out of the contents box";
        }
      }
    }
    return "";
  });
}

async function sidewaysOverflow(page) {
  return page.evaluate(() =>
    document.documentElement.scrollWidth - document.documentElement.clientWidth);
}

async function testSite(browser, folder, screenshots) {
  const label = path.basename(folder);
  const pages = readIndex(folder);
  const files = pages.map((p) => p[0]);
  if (files.length < 4) {
    await check(`${label}: the site has four pages or more`, async () => {
      expect(false, `${files.length} pages`);
    });
    return;
  }
  const middleAt = Math.floor(files.length / 2);
  const middle = files[middleAt];
  // Another page with a page before and after it.
  const target = files[middleAt + 1 <= files.length - 2 ? middleAt + 1 : middleAt - 1];
  const page = await browser.newPage();
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  await page.setViewport(WIDE);

  await check(`${label}: the contents are loaded once and the current entry marked`, async () => {
    await open(page, fileUrl(path.join(folder, middle)));
    const state = await page.evaluate(() => ({
      entries: document.querySelectorAll("#q-toc li").length,
      current: document.querySelectorAll('#q-toc a[aria-current="page"]').length,
      open: document.getElementById("q-fold").open,
      lang: document.documentElement.lang,
      main: !!document.querySelector("main#q-main"),
      skip: !!document.querySelector('a.q-skip[href="#q-main"]'),
      prev: !!document.querySelector('link[rel="prev"]'),
      next: !!document.querySelector('link[rel="next"]'),
    }));
    expect(state.entries > 0, "the contents are empty");
    expect(state.current > 0, "no entry is marked as the current page");
    expect(state.open, "the contents are folded on a wide screen");
    expect(state.lang, "the page has no lang");
    expect(state.main && state.skip, "no <main> or no skip link");
    expect(state.prev && state.next, "no <link rel=prev/next> in the head");
  });

  await check(`${label}: the current entry is in view at 1280x900`, async () => {
    const problem = await currentEntryInView(page);
    expect(!problem, problem);
  });
  if (screenshots) {
    await page.screenshot({ path: path.join(screenshots, `${label}-wide.png`) });
    await page.emulateMediaFeatures([{ name: "prefers-color-scheme", value: "dark" }]);
    await page.screenshot({ path: path.join(screenshots, `${label}-wide-dark.png`) });
    await page.emulateMediaFeatures([{ name: "prefers-color-scheme", value: "light" }]);
  }

  await check(`${label}: a contents entry leads to its page`, async () => {
    const selector = `#q-toc a[href^="${target}"]`;
    await page.$eval(selector, (a) => a.scrollIntoView({ block: "center" }));
    await clickAndWait(page, selector);
    expect(pageFileOf(page.url()) === target, `landed on ${pageFileOf(page.url())}, not ${target}`);
  });

  await check(`${label}: previous and next links`, async () => {
    const here = files.indexOf(pageFileOf(page.url()));
    await clickAndWait(page, "a.q-next");
    expect(pageFileOf(page.url()) === files[here + 1], `next led to ${pageFileOf(page.url())}`);
    await clickAndWait(page, "a.q-prev");
    expect(pageFileOf(page.url()) === files[here], `previous led to ${pageFileOf(page.url())}`);
  });

  await check(`${label}: the arrow keys go to the previous and next page`, async () => {
    const here = files.indexOf(pageFileOf(page.url()));
    await page.click("main");
    await pressAndWait(page, "ArrowRight");
    expect(pageFileOf(page.url()) === files[here + 1], `right led to ${pageFileOf(page.url())}`);
    await pressAndWait(page, "ArrowLeft");
    expect(pageFileOf(page.url()) === files[here], `left led to ${pageFileOf(page.url())}`);
  });

  const { word, file } = wordOnOnePage(pages);
  await check(`${label}: a search for "${word}" finds one page and leads to it`, async () => {
    await page.click("#q-search");
    await page.keyboard.type(word);
    await page.keyboard.press("ArrowRight");  // in a text field: no page turn
    await page.waitForFunction((query) =>
      document.getElementById("q-results").getAttribute("data-query") === query,
      { timeout: 10000 }, word.toLowerCase());
    const results = await page.$$eval("#q-results ol li a", (links) =>
      links.map((a) => a.getAttribute("href")));
    expect(results.length === 1, `${results.length} results`);
    expect(results[0] === file, `the result leads to ${results[0]}, not ${file}`);
    const excerpt = await page.$eval("#q-results mark", (m) => m.textContent);
    expect(excerpt.toLowerCase() === word.toLowerCase(), `the excerpt marks "${excerpt}"`);
    await clickAndWait(page, "#q-results ol li a");
    expect(pageFileOf(page.url()) === file, `landed on ${pageFileOf(page.url())}`);
  });

  await page.setViewport(NARROW);
  await check(`${label}: on a 400 px screen the contents are folded and the current entry shows when opened`, async () => {
    await open(page, fileUrl(path.join(folder, middle)));
    const folded = await page.$eval("#q-fold", (d) => !d.open);
    expect(folded, "the contents are open on a narrow screen");
    const summary = await page.$eval("#q-fold summary", (s) => s.textContent.trim());
    expect(summary === "Contents", `the fold is named "${summary}"`);
    await page.click("#q-fold summary");
    await page.waitForFunction(() => document.getElementById("q-fold").open);
    const problem = await currentEntryInView(page);
    expect(!problem, problem);
  });
  if (screenshots) {
    await page.screenshot({ path: path.join(screenshots, `${label}-narrow-open.png`) });
    await open(page, fileUrl(path.join(folder, middle)));
    await page.screenshot({ path: path.join(screenshots, `${label}-narrow.png`) });
    await page.emulateMediaFeatures([{ name: "prefers-color-scheme", value: "dark" }]);
    await page.screenshot({ path: path.join(screenshots, `${label}-narrow-dark.png`) });
    await page.emulateMediaFeatures([{ name: "prefers-color-scheme", value: "light" }]);
  }

  await check(`${label}: no page scrolls sideways at 400 px`, async () => {
    const sample = files.length <= 20 ? files :
        [files[0], files[1], middle, files[files.length - 1]];
    const main = fs.existsSync(path.join(folder, "Report.htm")) ? ["Report.htm"] : [];
    for (const name of sample.concat(main)) {
      await open(page, fileUrl(path.join(folder, name)));
      const over = await sidewaysOverflow(page);
      expect(over <= 0, `${name} is ${over} px wider than the screen`);
    }
  });

  await check(`${label}: without scripts the contents link leads to the contents and on to a page`, async () => {
    await page.setViewport(WIDE);
    await page.setJavaScriptEnabled(false);
    try {
      await open(page, fileUrl(path.join(folder, middle)));
      if (!(await page.$eval("#q-fold", (d) => d.open))) await page.click("#q-fold summary");
      await clickAndWait(page, "#q-toc a");
      const entry = `a[href^="${target}"]`;
      expect((await page.$(entry)) !== null, `the contents at ${pageFileOf(page.url())} have no link to ${target}`);
      await clickAndWait(page, entry);
      expect(pageFileOf(page.url()) === target, `landed on ${pageFileOf(page.url())}, not ${target}`);
    } finally {
      await page.setJavaScriptEnabled(true);
    }
  });

  await check(`${label}: no script error`, async () => {
    expect(errors.length === 0, errors.join("; "));
  });
  await page.close();
}

async function main() {
  const args = process.argv.slice(2);
  let screenshots = null;
  if (args[0] === "--screenshots") {
    screenshots = args[1];
    fs.mkdirSync(screenshots, { recursive: true });
    args.splice(0, 2);
  }
  if (args.length === 0) {
    console.error("usage: node run.js [--screenshots DIR] SITE_FOLDER...");
    process.exit(2);
  }
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--disable-gpu"],
  });
  let tabs = 0;
  browser.on("targetcreated", (target) => {
    if (target.type() === "page") tabs++;
  });
  try {
    for (const folder of args) {
      tabs = 0;
      await testSite(browser, folder, screenshots);
      await check(`${path.basename(folder)}: no new tab was opened`, async () => {
        // The one page the test itself opened.
        expect(tabs <= 1, `${tabs - 1} tabs opened by the site`);
      });
    }
  } finally {
    await browser.close();
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
  console.log(`not ok - the run stopped: ${error.stack || error.message}`);
  console.log(`${passed} passed, ${failed + 1} failed`);
  process.exit(1);
});
