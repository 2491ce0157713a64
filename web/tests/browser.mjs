// The page in headless Chromium as a user works with it: opened from file:// and from localhost, the
// example set opened, Show with the graph and its read-out, zoom and Fit, Build, Save, Evaluate Run;
// every downloaded byte and the run's figures compared with the native CLI's.
//   node browser.mjs PAGE.html QUILLARD-CLI EXAMPLE.rom WORK-FOLDER [SCREENSHOT.png]
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const [pagePath, cli, example, work, screenshot] = process.argv.slice(2).map((a) => a && path.resolve(a));
fs.rmSync(work, { recursive: true, force: true });
const downloads = path.join(work, 'downloads'), native = path.join(work, 'native');
fs.mkdirSync(downloads, { recursive: true });
fs.mkdirSync(native);

let passed = 0, failed = 0;
function check(what, ok, detail = '') {
    if (ok) passed++;
    else failed++;
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${ok || !detail ? '' : ': ' + detail}`);
}
const sameBytes = (a, b) => a.length === b.length && a.equals(b);

async function downloaded(name) {
    const file = path.join(downloads, name);
    for (let i = 0; i < 200 && !fs.existsSync(file); i++) await new Promise((r) => setTimeout(r, 50));
    return fs.existsSync(file) ? fs.readFileSync(file) : Buffer.alloc(0);
}

// The page served on localhost as scripts/web.sh serves it, from a port of its own.
const server = http.createServer((req, res) => res.end(fs.readFileSync(pagePath))).listen(0, '127.0.0.1');
await new Promise((r) => server.once('listening', r));

const profile = fs.mkdtempSync(path.join(work, 'profile-'));
const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           `--user-data-dir=${profile}`, '--window-size=1400,900'],
    headless: true,
    defaultViewport: { width: 1400, height: 900 },
});
try {
    const page = await browser.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    const requests = [];
    page.on('request', (r) => { if (!r.url().startsWith('data:') && !r.url().startsWith('blob:')) requests.push(r.url()); });

    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    await page.waitForSelector('body.ready', { timeout: 30000 });
    check('the page starts from localhost', (await page.$$('#tabs button')).length === 16);

    await page.goto('file://' + pagePath);
    await page.waitForSelector('body.ready', { timeout: 30000 });
    check('the single file starts from file:// with 16 program tabs', (await page.$$('#tabs button')).length === 16);
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });

    // Open the example set and show program 1.
    await (await page.$('#open')).uploadFile(example);
    await page.waitForFunction(() => document.querySelector('#setname').textContent.endsWith('.rom'));
    await page.click('#tabs button:nth-child(2)');
    await page.click('#show');
    const messages = await page.$eval('#messages', (e) => e.textContent);
    const nativeCheck = execFileSync(cli, ['check', example, '--program', '1'], { encoding: 'latin1' });
    check('Show lists the messages quillard-cli check prints', messages.includes(nativeCheck.trim()), messages);
    const summary = await page.$eval('#summary', (e) => e.textContent);
    check('the program summary stands beside the graph', summary.startsWith('Duration'), summary);
    const inked = await page.$eval('#graph', (c) => {
        const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        let dark = 0;
        for (let i = 0; i < d.length; i += 4) if (d[i] < 60 && d[i + 1] < 60 && d[i + 2] < 60) dark++;
        return dark;
    });
    check('the graph is drawn', inked > 2000, `${inked} dark pixels`);
    const box = await (await page.$('#graph')).boundingBox();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    const readout = await page.$eval('#readout', (e) => e.textContent);
    check('the read-out names the step under the mouse', /^Step \d+: t=/.test(readout), readout);
    if (screenshot) await page.screenshot({ path: screenshot });
    await page.mouse.wheel({ deltaY: -300 });
    check('the wheel zooms and Fit is offered', !(await page.$eval('#fit', (b) => b.disabled)));
    await page.click('#fit');
    check('Fit draws the graph as Show drew it', await page.$eval('#fit', (b) => b.disabled));

    // Build, and every file offered for download against the CLI's.
    await page.click('#build');
    const built = await page.$eval('#messages', (e) => e.textContent);
    check('Build reports the images verified', built.includes('match the set (16 programs)'), built);
    const links = await page.$$eval('#downloads a', (as) => as.map((a) => a.download));
    execFileSync(cli, ['build', example, '-o', path.join(native, 'manoeuvres.bin'), '--hex', '--srec']);
    const expected = ['manoeuvres.bin', 'manoeuvres.aux', 'manoeuvres.hex', 'manoeuvres.aux.hex', 'manoeuvres.srec',
                      'manoeuvres.aux.srec'];
    check('Build offers the images and their copies', JSON.stringify(links) === JSON.stringify(expected), links);
    for (const name of expected) {
        await page.click(`#downloads a[download="${name}"]`);
        const mine = await downloaded(name);
        check(`${name} is byte for byte the CLI's`, sameBytes(mine, fs.readFileSync(path.join(native, name))),
              `${mine.length} bytes`);
    }

    // Save: the set as the window saves it; the CLI's put of one of its programs leaves every byte.
    await page.click('#save');
    const saved = await downloaded('manoeuvres.rom');
    execFileSync(cli, ['export', example, '--program', '3', '--format', 'text', '-o', path.join(native, 'p3.txt')]);
    fs.copyFileSync(example, path.join(native, 'manoeuvres.rom'));
    execFileSync(cli, ['put', path.join(native, 'manoeuvres.rom'), '--program', '3', path.join(native, 'p3.txt')]);
    check('Save writes the set byte for byte', sameBytes(saved, fs.readFileSync(path.join(native, 'manoeuvres.rom'))),
          `${saved.length} bytes`);

    // Evaluate Run: a simulated sine-with-dwell run of program 14 judged as quillard-cli evaluate swd does.
    const log = path.join(native, 'swd.csv');
    execFileSync(cli, ['simulate', example, '--program', '14', '-o', log]);
    let cliReport = '';
    try {
        cliReport = execFileSync(cli, ['evaluate', 'swd', log, '--program-file', example, '--program', '14'], { encoding: 'latin1' });
    } catch (e) {
        cliReport = e.stdout; // a failing run exits 1
    }
    await page.click('#tabs button:nth-child(15)');
    await page.click('#evaluate-box summary');
    await (await page.$('#log')).uploadFile(log);
    await page.click('#evaluate');
    const figures = await page.$eval('#figures', (e) => e.textContent);
    const expectedLines = cliReport.split('\n').slice(1).map((l) => l.trim()).filter((l) => l);
    check('Evaluate Run shows the figures and verdict of quillard-cli evaluate swd',
          expectedLines.length > 5 && expectedLines.every((l) => figures.includes(l)), figures);

    // An edit greys the graph; a failing Show marks the line its message names.
    await page.click('#tabs button:nth-child(2)');
    await page.click('#show');
    await page.click('.cm-content');
    await page.keyboard.down('Control');
    await page.keyboard.press('Home');
    await page.keyboard.up('Control');
    for (let i = 0; i < 3; i++) await page.keyboard.press('ArrowDown');
    await page.keyboard.press('End');
    await page.keyboard.type('\nfoo(3)'); // line 5 of program 1, after "wait(1 sec)"
    check('an edit greys the graph', await page.$eval('#graph', (c) => c.classList.contains('stale')));
    await page.click('#show');
    const failure = await page.$eval('#messages', (e) => e.textContent);
    const marked = await page.$$eval('.cm-lintRange-error', (r) => r.map((e) => e.textContent));
    check('a failing Show marks the line of its error', failure.includes('Error in line 5') && marked.join() === 'foo(3)',
          `${failure} / ${marked}`);

    check('no script error', errors.length === 0, errors.join('; '));
    check('nothing was fetched from anywhere', requests.every((u) => u.startsWith('file:') || u.startsWith('http://127.0.0.1')),
          requests.join(' '));
} finally {
    await browser.close();
    server.close();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
