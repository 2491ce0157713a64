// The browser's module against the native CLI on random programs and sets: the Messages text, the
// notices and the summary of every program, the steps of every program that compiles (the same floats,
// but for a sine's remainder at a zero crossing and values that round to the neighbouring float), every
// byte of the built images and their HEX and S-record copies, and every byte of saved set files.
//   node differential.mjs MODULE.js QUILLARD-CLI WORK-FOLDER [SETS] [EXTRA-PROGRAMS] [SEED]
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { randomProgram, randomSet, mulberry32 } from './random_programs.mjs';

const [modulePath, cliPath, work, setCount = '125', extraCount = '500', seed = '40'] = process.argv.slice(2);
const cli = path.resolve(cliPath);
const StepTolerance = 1e-12; // degrees

const latin1 = (bytes) => Buffer.from(bytes).toString('latin1');
const crlf = (lines) => lines.map((line) => line + '\r\n').join('');

// Runs the CLI, two at a time (the machine has two cores; the module runs meanwhile in this process).
const queue = [];
let running = 0;
function run(args, program = cli) {
    return new Promise((resolve) => {
        queue.push({ program, args, resolve });
        pump();
    });
}
function pump() {
    while (running < 2 && queue.length) {
        const { program, args, resolve } = queue.shift();
        running++;
        const child = spawn(program, args, { cwd: work });
        const out = [], err = [];
        child.stdout.on('data', (d) => out.push(d));
        child.stderr.on('data', (d) => err.push(d));
        child.on('close', (code) => {
            running--;
            resolve({ code, stdout: latin1(Buffer.concat(out)), stderr: latin1(Buffer.concat(err)) });
            pump();
        });
    }
}

const figures = { programs: 0, compiled: 0, sets: 0, builtSets: 0, imageBytes: 0, setFileBytes: 0,
                  bytesDiffering: 0, summariesOfTies: 0 };
const faults = [];
function fault(text) {
    if (faults.length < 20) console.error('DIFFERS: ' + text);
    faults.push(text);
}

function differingBytes(a, b) {
    let n = Math.abs(a.length - b.length);
    for (let i = 0; i < Math.min(a.length, b.length); i++) if (a[i] !== b[i]) n++;
    return n;
}

function compareBytes(what, mine, native) {
    const n = differingBytes(mine, native);
    figures.bytesDiffering += n;
    if (n) fault(`${what}: ${n} bytes differ (${mine.length} and ${native.length} bytes)`);
    return mine.length;
}

// The check text of a set as the CLI prints it: each program's heading, Messages lines and summary;
// on stderr its notices and the text it reads as nothing.
function checkText(Q, programs, corvan3Only) {
    let notices = '';
    const compiled = [], texts = [];
    programs.forEach((program, p) => {
        const c = Q.compile(program, corvan3Only);
        texts.push(`Program #${p}:\n` + [...c.messageLines, ...c.summary].map((l) => l + '\n').join(''));
        notices += [...c.notices, ...c.ignored.map((i) => i.text)].map((n) => `Program #${p}: ${n}\n`).join('');
        compiled.push(c.ok ? Q.stepsCsv() : null);
    });
    return { texts, notices, compiled };
}

// Adjacent floats: a value that lies almost midway between two floats can round to either, as the
// intermediates are long doubles of 64 bits of mantissa on x86-64 and 113 in WebAssembly.
const floatBits = (x) => new Uint32Array(new Float32Array([x]).buffer)[0];
const adjacent = (a, b) => Math.sign(a) === Math.sign(b) && Math.abs(floatBits(a) - floatBits(b)) === 1;

// The CLI's step CSV against the module's (the same core function writes both): integers exactly; times
// and steers the same float, or within 1e-12 deg (a sine's remainder at a zero crossing), or adjacent.
function compareSteps(where, mine, csv) {
    let differs = false;
    const a = mine.split('\n'), b = csv.split('\n');
    if (a.length !== b.length || a[0] !== b[0]) fault(`${where}: ${b[0]}, the module has ${a[0]}`);
    for (let i = 2; i < Math.min(a.length, b.length); i++) {
        if (a[i] === b[i]) continue;
        const x = a[i].split(',').map(Number), y = b[i].split(',').map(Number);
        if (x.some((v, k) => k > 2 && v !== y[k])) fault(`${where}: ${b[i]}, the module has ${a[i]}`);
        for (const k of [1, 2]) {
            const [u, v] = [Math.fround(x[k]), Math.fround(y[k])];
            const d = Math.abs(u - v);
            if (d === 0) continue;
            const kind = d <= StepTolerance ? steps.zeroCrossing : adjacent(u, v) ? steps.adjacent : steps.other;
            kind.count++;
            kind.largest = Math.max(kind.largest, d);
            differs = true;
            if (kind === steps.other) fault(`${where}: ${b[i]}, the module has ${a[i]}`);
        }
    }
    steps.compared += 2 * 16384;
    return differs;
}
const steps = { compared: 0, zeroCrossing: { count: 0, largest: 0 }, adjacent: { count: 0, largest: 0 },
                other: { count: 0, largest: 0 } };

async function compareSet(Q, name, programs, preamble, corvan3Only, fullPut) {
    const machine = ['--machine', corvan3Only ? 'corvan3' : 'compatible'];
    const rom = path.join(work, name + '.rom');
    // Save as the window saves, then the CLI's put of one program over it must leave every byte.
    const saveError = Q.saveSet(`/w/${name}.rom`, programs, preamble);
    if (saveError) return fault(`${name}: save: ${saveError}`);
    const saved = Q.FS.readFile(`/w/${name}.rom`);
    fs.writeFileSync(rom, saved);
    const k = (name.length * 7) % 16;
    fs.writeFileSync(path.join(work, name + '.txt'), Buffer.from(crlf(programs[k]), 'latin1'));
    const putCopy = path.join(work, name + '-put.rom');
    fs.copyFileSync(rom, putCopy);
    const put = await run(['put', putCopy, '--program', String(k), name + '.txt']);
    if (put.code !== 0) fault(`${name}: put: ${put.stderr}`);
    figures.setFileBytes += compareBytes(`${name}.rom after put`, saved, fs.readFileSync(putCopy));
    if (fullPut) { // a new set made program by program by the CLI, against the module's Save of it
        const fresh = path.join(work, name + '-new.rom');
        for (let p = 0; p < 16; p++) {
            fs.writeFileSync(path.join(work, `${name}-${p}.txt`), Buffer.from(crlf(programs[p]), 'latin1'));
            await run(['put', fresh, '--program', String(p), `${name}-${p}.txt`]);
        }
        Q.saveSet(`/w/${name}-new.rom`, programs, []);
        figures.setFileBytes += compareBytes(`${name}.rom made by put`, Q.FS.readFile(`/w/${name}-new.rom`),
                                             fs.readFileSync(fresh));
    }
    // Opened again by the module, the set reads as written.
    const opened = Q.openSet(`/w/${name}.rom`);
    if (JSON.stringify(opened.programs) !== JSON.stringify(programs)) fault(`${name}: opened differently`);

    const mine = checkText(Q, programs, corvan3Only);
    const native = await run(['check', rom, '--summary', ...machine]);
    if (native.stderr !== mine.notices) fault(`${name}: notices differ:\n${native.stderr}\n${mine.notices}`);
    figures.programs += 16;
    figures.sets++;
    // The steps of every program that compiled, from one shell that runs the CLI for each in turn.
    const compiled = [...mine.compiled.keys()].filter((p) => mine.compiled[p]);
    figures.compiled += compiled.length;
    const script = 'cli=$1 rom=$2 machine=$3; shift 3; for p; do "$cli" steps "$rom" --program $p --machine $machine 2>/dev/null; printf "\\f"; done';
    const differing = new Set(); // programs with a step that is not the CLI's very float
    const stepRuns = run(['-c', script, 'steps', cli, rom, machine[1], ...compiled.map(String)], '/bin/sh').then((r) => {
        const outputs = r.stdout.split('\f');
        compiled.forEach((p, i) => {
            if (compareSteps(`${name} program ${p}`, mine.compiled[p], outputs[i] ?? '')) differing.add(p);
        });
    });

    const bin = `/w/${name}.bin`;
    const built = Q.buildSet(bin, programs, corvan3Only, false);
    const nativeBuild = await run(['build', rom, '-o', name + '.bin', '--hex', '--srec', ...machine]);
    if (built.ok !== (nativeBuild.code === 0)) fault(`${name}: built ${built.ok}, CLI exit ${nativeBuild.code}`);
    if (built.ok) {
        figures.builtSets++;
        for (const file of built.files)
            figures.imageBytes += compareBytes(file, Q.FS.readFile(file),
                                               fs.readFileSync(path.join(work, path.basename(file))));
    } else {
        const failures = built.failures.map((f) => `Program #${f.program}:\n` + f.lines.map((l) => l + '\n').join(''));
        if (failures.join('') !== nativeBuild.stdout) fault(`${name}: build failures differ`);
    }
    await stepRuns;
    // The Messages text and summary of each program; a summary may name another step of a tie (the
    // time of the peak steer rate of a ramp) where a step is not the CLI's very float.
    const nativeTexts = native.stdout.split(/(?=^Program #\d+:$)/m);
    mine.texts.forEach((text, p) => {
        if (text === nativeTexts[p]) return;
        if (!differing.has(p)) return fault(`${name} program ${p}: check differs:\n${nativeTexts[p]}\n${text}`);
        figures.summariesOfTies++;
        console.log(`${name} program ${p}: its summary names another step of a tie:\n` +
                    nativeTexts[p].split('\n').filter((l, i) => l !== text.split('\n')[i]).join('\n'));
    });
}

const require = createRequire(import.meta.url);
const Q = await require(path.resolve(modulePath))();
fs.mkdirSync(work, { recursive: true });
Q.FS.mkdir('/w');
const random = mulberry32(Number(seed));
// Three sets at a time: while the CLI runs for one, the module works on another.
const pending = new Set();
async function start(comparison) {
    const promise = comparison().finally(() => pending.delete(promise));
    pending.add(promise);
    if (pending.size >= 3) await Promise.race(pending);
}
for (let s = 0; s < Number(setCount); s++) {
    const corvan3Only = random() < 0.7;
    // Most sets build: their programs are drawn until each compiles; every eighth keeps a failing one.
    const { programs, preamble } = randomSet(random, (program) => Q.compile(program, corvan3Only).ok, s % 8 === 7);
    await start(() => compareSet(Q, `set${s}`, programs, preamble, corvan3Only, s % 25 === 0));
}
// Programs of any kind, well-formed or not, sixteen to a set: their messages, notices, summaries and steps.
for (let s = 0; s * 16 < Number(extraCount); s++) {
    const programs = Array.from({ length: 16 }, () => randomProgram(random, random() < 0.5));
    await start(() => compareSet(Q, `any${s}`, programs, [], true, false));
}
await Promise.all(pending);

console.log(`programs compared: ${figures.programs} (${figures.compiled} compiled, steps compared)`);
console.log(`sets compared: ${figures.sets} (${figures.builtSets} built; ${figures.imageBytes} image bytes, ` +
            `${figures.setFileBytes} set file bytes)`);
console.log(`bytes differing: ${figures.bytesDiffering}`);
const e = (x) => x.toExponential(2);
console.log(`step values compared: ${steps.compared} (times and steers); differing: ` +
            `${steps.zeroCrossing.count} within 1e-12 deg (largest ${e(steps.zeroCrossing.largest)} deg), ` +
            `${steps.adjacent.count} by one float (largest ${e(steps.adjacent.largest)} deg), ` +
            `${steps.other.count} otherwise; summaries naming another step of a tie: ${figures.summariesOfTies}`);
console.log(`${faults.length ? 0 : 1} passed, ${faults.length ? 1 : 0} failed`);
process.exit(faults.length ? 1 : 0);
