// Random program texts from a seed, as engineers type them and now and then mistype them: every function
// of the language with parameters of every id, odd numbers, comments with Latin-1 letters, long lines.

// A small seeded generator (mulberry32): the same seed, the same programs.
export function mulberry32(seed) {
    let a = seed >>> 0;
    return () => {
        a = (a + 0x6d2b79f5) >>> 0;
        let t = a;
        t = Math.imul(t ^ (t >>> 15), t | 1);
        t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
        return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    };
}

const uniform = (r, low, high) => low + Math.floor(r() * (high - low + 1));
const pick = (r, items) => items[Math.floor(r() * items.length)];

// A decimal as typed: whole, with decimals, now and then with an exponent or a sign.
function decimal(r, low, high, decimals) {
    const value = low + r() * (high - low);
    if (r() < 0.05) return (value / 10).toExponential(2);
    const text = value.toFixed(uniform(r, 0, decimals));
    return r() < 0.03 && value >= 0 ? '+' + text : text;
}

function oddNumber(r) {
    return pick(r, ['', '-', '.', '1x2', '1e999', '1.', '.5', '+3', '--1', '1e-3', '99999999999', '0', '-0',
                    '1e-50', '3.4e39', '0.000000001', '12345678.9']);
}

// A well-formed statement whose values fit a maxsteer of the given degrees; moved says whether the
// program has left 0 deg (a first angle below 0 is an error).
function validStatement(r, max, state) {
    const seconds = () => decimal(r, 0.01, 1.5, 3) + pick(r, [' s', ' sec', 's']);
    const angle = () => {
        const degrees = decimal(r, 0, max, 2);
        const negative = state.moved && r() < 0.5;
        state.moved = state.moved || Number(degrees) !== 0;
        return (negative ? '-' : '') + degrees + pick(r, [' deg', 'd', ' DEG']);
    };
    const flag = () => uniform(r, 1, 8) + ' b';
    const hertz = () => decimal(r, 0.05, 4, 2) + ' hz';
    const amplitude = () => decimal(r, 1, Math.min(30, max / 2), 1) + ' deg';
    switch (uniform(r, 0, 15)) {
    case 0: return `setrate(${pick(r, ['256', '512', '1024', '2048'])} hz)`;
    case 1: return r() < 0.5 ? 'setcurrenthigh' : `setcurrentlow(${seconds()})`;
    case 2: return `setflag(${flag()}, ${uniform(r, 0, 100)} %)`;
    case 3: return `pulseflag(${flag()}, ${seconds()}, ${seconds()})`;
    case 4: return r() < 0.5 ? 'waitforrollpeak' : `pulsebrake(${seconds()})`;
    case 5: case 6: return `wait(${seconds()})`;
    case 7: return `stepto(${angle()}, ${seconds()})`;
    case 8: return `rampto(${angle()}, ${seconds()})`;
    case 9: return `stepup(${uniform(r, -5, 5)} deg)`;
    case 10: case 11:
        return `${pick(r, ['sine', 'square', 'triangle'])}(${amplitude()}, ${hertz()}, ${r() < 0.7 ? uniform(r, 1, 3) + ' c' : seconds()})`;
    case 12:
        return `${pick(r, ['sinesweep', 'sinesweeplog'])}(${amplitude()}, ${hertz()}, ${hertz()}, ${seconds()})`;
    case 13: return pick(r, ['; a comment', '; Lenkwinkel für Fahrt 3 \xe9t\xe9', '']);
    case 14: return `  WAIT ( ${seconds()} )   ; spaced out`;
    default: return r() < 0.3 ? 'repeatprogram' : `wait(${seconds()})`;
    }
}

// Anything a line may hold: any function or a misspelt one, parameters of any id, missing brackets.
function anyStatement(r) {
    const functions = ['setrate', 'setcurrenthigh', 'setcurrentlow', 'setflag', 'pulseflag', 'waitforrollpeak',
                       'pulsebrake', 'wait', 'stepto', 'stepup', 'rampto', 'rampup', 'sine', 'square', 'triangle',
                       'sinesweep', 'sinesweeplog', 'repeatprogram', 'stpto', 'Wait', 'RAMPTO', 'sine wave', '\tstepto'];
    const ids = [' deg', 'd', ' s', ' sec', ' c', ' cycles', ' hz', ' b', ' %', ' p', ' x', ''];
    const name = pick(r, functions);
    if (r() < 0.2) return name;
    const parameters = Array.from({ length: uniform(r, 0, 8) }, () => {
        const id = pick(r, ids);
        const number = r() < 0.2 ? oddNumber(r) : (r() < 0.2 ? '-' : '') + decimal(r, 0, r() < 0.1 ? 5000 : 120, 3);
        return (id === ' hz' && r() < 0.5 ? pick(r, ['256', '512', '1024', '2048', '300', '0']) : number) + id;
    });
    let line = name + '(' + parameters.join(r() < 0.95 ? ', ' : ' ') + (r() < 0.95 ? ')' : '');
    if (r() < 0.1) line += ' ; comment';
    if (r() < 0.03) line += ' '.repeat(90) + 'beyond the hundredth character';
    return line;
}

// A program: usually maxsteer, begin, statements and end; careful ones are mostly well-formed.
export function randomProgram(r, careful) {
    const lines = [];
    const max = pick(r, [30, 100, 100, 180, 300]);
    if (r() < 0.05) lines.push('; program ' + uniform(r, 0, 99) + ', written by hand');
    if (careful || r() < 0.9) lines.push(`maxsteer(${careful ? max : oddNumber(r) || max} deg)`);
    if (careful || r() < 0.95) lines.push(r() < 0.9 ? 'begin' : 'Begin ; here');
    const state = { moved: false };
    for (let n = uniform(r, 0, 25); n > 0; n--) {
        if (careful && r() < 0.97) lines.push(validStatement(r, max, state));
        else lines.push(r() < 0.1 ? pick(r, ['', '; note']) : anyStatement(r));
    }
    if (careful || r() < 0.85) lines.push(r() < 0.9 ? 'end' : 'END');
    if (r() < 0.1) lines.push('stepto(5 deg) after the end');
    return lines;
}

// Sixteen programs that each compile (tried until they do), one left failing when asked, and now and
// then a preamble (a title and notes in front of the first marker).
export function randomSet(r, compiles, keepFailing) {
    const programs = [];
    for (let p = 0; p < 16; p++) {
        let program = randomProgram(r, true);
        for (let tries = 0; tries < 40 && !compiles(program); tries++) program = randomProgram(r, true);
        programs.push(program);
    }
    if (keepFailing) programs[uniform(r, 0, 15)] = ['maxsteer(100 deg)', 'begin', 'stpto(10 deg, 1 s)', 'end'];
    const preamble = r() < 0.3 ? ['Set for the \xe9t\xe9 campaign', 'track 2, dry asphalt', ''] : [];
    return { programs, preamble };
}
