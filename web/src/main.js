// The page: 16 program editors, Show with the graph, Build, Save, Verify Images and Evaluate Run, all
// through the core's module (quillard_web.cpp). Files the user picks are copied into the module's memory
// file system; what the core writes there is offered as downloads. Nothing leaves the browser.
import { history, historyKeymap, defaultKeymap, indentWithTab } from '@codemirror/commands';
import { highlightSelectionMatches, searchKeymap } from '@codemirror/search';
import { EditorState, RangeSetBuilder } from '@codemirror/state';
import { Decoration, EditorView, ViewPlugin, keymap, lineNumbers, drawSelection, highlightActiveLine } from '@codemirror/view';
import { lintGutter, setDiagnostics } from '@codemirror/lint';
import { CanvasSurface } from './canvas.js';

const ProgramCount = 16;
const $ = (id) => document.getElementById(id);

// Latin-1: a byte a character, as the core reads and writes text. Characters beyond it become "?".
const fromBytes = (bytes) => {
    let text = '';
    for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
    return text;
};
const toLatin1 = (text) => text.replace(/[^\x00-\xff]/g, '?');

// The classes of the core's editor tokens (TokenClass), in its order, as the window colours them.
const TokenStyles = ['tk-function', 'tk-unknown', 'tk-keyword', 'tk-extra', 'tk-keyword', 'tk-keyword', 'tk-number',
                     'tk-unit', 'tk-punctuation', 'tk-comment', 'tk-ignored', 'tk-invalid'];
const tokenMarks = TokenStyles.map((c) => Decoration.mark({ class: c }));

let Q; // the module
const app = {
    states: [],              // the 16 editors' states
    current: 0,
    setName: 'untitled.rom',
    preamble: [],            // text in front of the first marker, written back by Save
    shown: null,             // the program on the graph
    downloads: [],           // object URLs of the offered files
};

function programLines(k) {
    const state = k === app.current ? view.state : app.states[k];
    return toLatin1(state.doc.toString()).split('\n');
}
const allPrograms = () => Array.from({ length: ProgramCount }, (_, k) => programLines(k));
const corvan3Only = () => $('machine').value === 'corvan3';

// Highlighting by the core's tokens, and the statements it reads as nothing, of the whole program.
const highlighter = ViewPlugin.fromClass(class {
    constructor(v) { this.decorations = this.build(v); }
    update(u) { if (u.docChanged) this.decorations = this.build(u.view); }
    build(v) {
        const lines = toLatin1(v.state.doc.toString()).split('\n');
        const spans = Q.tokens(lines);
        const builder = new RangeSetBuilder();
        spans.forEach((line, i) => {
            const from = v.state.doc.line(i + 1).from;
            for (const [start, length, kind] of line) builder.add(from + start, from + start + length, tokenMarks[kind]);
        });
        return builder.finish();
    }
}, { decorations: (p) => p.decorations });

// The lines the last Show's messages name stay marked until the next edit, as in the window.
const clearMarksOnEdit = EditorView.updateListener.of((u) => {
    if (!u.docChanged) return;
    queueMicrotask(() => u.view.dispatch(setDiagnostics(u.view.state, [])));
    if (app.current === app.shown) markStale();
});

function newState(text) {
    return EditorState.create({
        doc: text,
        extensions: [lineNumbers(), history(), drawSelection(), highlightActiveLine(), highlightSelectionMatches(),
                     keymap.of([...defaultKeymap, ...historyKeymap, ...searchKeymap, indentWithTab]),
                     highlighter, lintGutter(), clearMarksOnEdit,
                     EditorState.tabSize.of(4)],
    });
}

let view;
function selectTab(k) {
    app.states[app.current] = view.state;
    app.current = k;
    view.setState(app.states[k]);
    document.querySelectorAll('#tabs button').forEach((b, i) => b.classList.toggle('active', i === k));
    view.focus();
}

function loadPrograms(programs, name, preamble) {
    app.states = programs.map((lines) => newState(lines.join('\n')));
    app.setName = name;
    app.preamble = preamble;
    app.current = 0;
    view.setState(app.states[0]);
    document.querySelectorAll('#tabs button').forEach((b, i) => b.classList.toggle('active', i === 0));
    $('setname').textContent = name;
    clearGraph();
}

// Messages, notices and what is read as nothing, as the Messages window lists them.
function showMessages(title, lines) {
    $('messages').textContent = [title, ...lines].join('\n');
}

function markLines(result) {
    const doc = view.state.doc;
    const diagnostics = [];
    for (const m of result.messages)
        if (m.line > 0 && m.line <= doc.lines)
            diagnostics.push({ from: doc.line(m.line).from, to: doc.line(m.line).to, severity: m.severity === 'information' ? 'info' : m.severity, message: m.text });
    for (const i of result.ignored) {
        const line = doc.line(i.line);
        diagnostics.push({ from: line.from + i.start, to: line.from + i.start + i.length, severity: 'warning', message: i.text });
    }
    view.dispatch(setDiagnostics(view.state, diagnostics));
}

// Show: compile the current program, list its messages, draw it and its summary.
function show() {
    const result = Q.compile(programLines(app.current), corvan3Only());
    showMessages(`Program #${app.current}:`, [...result.messageLines, ...result.notices, ...result.ignored.map((i) => i.text)]);
    markLines(result);
    $('summary').textContent = result.summary.join('\n');
    if (!result.ok) {
        markStale('The last Show failed: see the messages.');
        return false;
    }
    app.shown = app.current;
    Q.showGraph(surface(), graphWidth(), graphHeight(), app.current, auxFlags());
    finishDrawing();
    $('graph-note').textContent = '';
    $('graph').classList.remove('stale');
    return true;
}

let lastSurface = null;
function surface() {
    lastSurface = new CanvasSurface($('graph'), graphWidth(), graphHeight());
    return lastSurface;
}
function finishDrawing() {
    lastSurface.flush();
    const v = Q.graphView();
    $('fit').disabled = !v.zoomed;
}
const graphWidth = () => Math.max(300, Math.floor($('graph-box').clientWidth));
const graphHeight = () => Math.max(200, Math.floor($('graph-box').clientHeight));
function auxFlags() {
    let flags = 0;
    document.querySelectorAll('#aux input').forEach((box, f) => { if (box.checked) flags |= 1 << f; });
    return flags;
}
function redraw() {
    if (app.shown === null) return;
    Q.redrawGraph(surface(), graphWidth(), graphHeight());
    finishDrawing();
    readOut();
}

// The step nearest the mouse's time, while the mouse is over the plot area, and the ring on the trace.
let mouse = null;
function readOut() {
    const r = app.shown !== null && mouse ? Q.readOut(mouse[0], mouse[1]) : {};
    $('readout').textContent = r.text || '';
    const marker = $('marker');
    marker.hidden = !r.onTrace;
    if (r.onTrace) marker.style.transform = `translate(${r.x - 4}px, ${r.y - 4}px)`;
}
function clearGraph() {
    app.shown = null;
    const s = surface();
    s.ctx.clearRect(0, 0, graphWidth(), graphHeight());
    $('readout').textContent = '';
    $('summary').textContent = '';
}
// A graph whose program was edited since it was drawn is greyed, with a note saying why.
function markStale(note) {
    if (app.shown === null) return;
    $('graph').classList.add('stale');
    $('graph-note').textContent = note || `Program ${app.shown} was edited since it was drawn.`;
}

// The file's bytes into the module's file system, under a folder of its own.
async function intoModule(file, folder) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const dir = '/' + folder;
    if (!Q.FS.analyzePath(dir).exists) Q.FS.mkdir(dir);
    const path = `${dir}/${file.name.replace(/\//g, '_')}`;
    Q.FS.writeFile(path, bytes);
    return path;
}

async function openFile(file) {
    if (/\.rom$/i.test(file.name)) {
        const set = Q.openSet(await intoModule(file, 'in'));
        if (set.error) return showMessages('Open', [set.error]);
        loadPrograms(set.programs, file.name, set.preamble);
        showMessages('Open', [`${file.name}: 16 programs`, ...(set.notice ? [set.notice] : [])]);
    } else {
        const text = Q.readProgramText(await intoModule(file, 'in'));
        if (text.error) return showMessages('Open', [text.error]);
        view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text.lines.join('\n') } });
        showMessages('Open', [`${file.name} opened as program ${app.current}`]);
    }
}

function offer(files, into) {
    app.downloads.forEach((url) => URL.revokeObjectURL(url));
    app.downloads = [];
    into.replaceChildren();
    for (const path of files) {
        const bytes = Q.FS.readFile(path);
        const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
        app.downloads.push(url);
        const a = document.createElement('a');
        a.href = url;
        a.download = path.split('/').pop();
        a.textContent = `${a.download} (${bytes.length} bytes)`;
        into.append(a);
    }
}

const baseName = () => app.setName.replace(/\.rom$/i, '');

function build() {
    const out = `/out/${baseName()}.bin`;
    if (!Q.FS.analyzePath('/out').exists) Q.FS.mkdir('/out');
    const r = Q.buildSet(out, allPrograms(), corvan3Only(), true);
    const lines = [];
    for (const f of r.failures) lines.push(`Program #${f.program}:`, ...f.lines);
    lines.push(...r.notices, r.text);
    if (r.ok) lines.push('', ...r.report, '', ...r.verifyLines);
    showMessages('Build', lines);
    if (r.ok && r.verified) offer(r.files, $('downloads'));
    else $('downloads').replaceChildren();
}

function save() {
    if (!Q.FS.analyzePath('/out').exists) Q.FS.mkdir('/out');
    const path = `/out/${app.setName}`;
    const error = Q.saveSet(path, allPrograms(), app.preamble);
    if (error) return showMessages('Save', [error]);
    offer([path], $('downloads'));
    $('downloads').firstChild.click();
}

function exportSteps() {
    if (app.shown === null || !show()) return;
    if (!Q.FS.analyzePath('/out').exists) Q.FS.mkdir('/out');
    const path = `/out/${baseName()}-program${app.current}-steps.csv`;
    Q.FS.writeFile(path, Q.stepsCsv());
    offer([path], $('downloads'));
}

async function verify() {
    const [bin, aux] = [$('verify-bin').files[0], $('verify-aux').files[0]];
    if (!bin) return showMessages('Verify Images', ['Choose the EPROM image read back from the programmer.']);
    const r = Q.verifyImages(allPrograms(), await intoModule(bin, 'verify'), aux ? await intoModule(aux, 'verify') : '',
                             corvan3Only());
    showMessages('Verify Images', r.error ? [r.error] : r.lines);
}

async function evaluate() {
    const log = $('log').files[0];
    if (!log) return showMessages('Evaluate Run', ['Choose the log of the run.']);
    if (!show()) return;
    const r = Q.evaluateRun(await intoModule(log, 'logs'), programLines(app.current),
                            Number($('amplitude').value) || 0, Number($('gvwr').value) || 0);
    const title = `Run ${r.error ? 'not judged' : r.pass ? 'PASS' : 'FAIL'}: program ${app.current}, log ${log.name}`;
    $('figures').textContent = [title, ...(r.error ? [r.error] : r.lines)].join('\n');
}

// The graph: wheel zoom about the mouse, drag to pan, the read-out of the step under the mouse.
function wireGraph() {
    const graph = $('graph');
    const at = (e) => { const r = graph.getBoundingClientRect(); return [Math.round(e.clientX - r.left), Math.round(e.clientY - r.top)]; };
    let drag = null;
    graph.addEventListener('wheel', (e) => {
        if (app.shown === null) return;
        e.preventDefault();
        const notches = -e.deltaY / (e.deltaMode === 0 ? 100 : 3); // one notch zooms by a fifth
        const [x, y] = at(e);
        Q.zoomGraph(Math.pow(0.8, notches), x, y);
        redraw();
    }, { passive: false });
    graph.addEventListener('mousedown', (e) => {
        if (app.shown === null) return;
        const [x, y] = at(e);
        drag = { x, y, from: Q.graphView(), moved: false };
    });
    window.addEventListener('mouseup', () => { drag = null; });
    graph.addEventListener('mousemove', (e) => {
        const [x, y] = at(e);
        if (drag && (drag.moved || Math.abs(x - drag.x) + Math.abs(y - drag.y) > 3)) {
            drag.moved = true;
            Q.panGraph(drag.from, x - drag.x, y - drag.y);
            redraw();
        }
        mouse = [x, y];
        readOut();
    });
    graph.addEventListener('mouseleave', () => { mouse = null; readOut(); });
    const centre = (factor) => () => {
        if (app.shown === null) return;
        const v = Q.graphView();
        Q.zoomGraph(factor, Math.floor((v.left + v.right) / 2), Math.floor((v.top + v.bottom) / 2));
        redraw();
    };
    $('zoom-in').onclick = centre(0.5);
    $('zoom-out').onclick = centre(2);
    $('fit').onclick = () => { Q.fitGraph(); redraw(); };
    new ResizeObserver(() => redraw()).observe($('graph-box'));
}

function wire() {
    const tabs = $('tabs');
    for (let k = 0; k < ProgramCount; k++) {
        const b = document.createElement('button');
        b.textContent = String(k);
        b.onclick = () => selectTab(k);
        tabs.append(b);
    }
    $('open').onchange = (e) => e.target.files[0] && openFile(e.target.files[0]);
    $('new').onclick = () => loadPrograms(Array.from({ length: ProgramCount }, () => ['maxsteer(100 deg)', 'begin', '', 'end']), 'untitled.rom', []);
    $('show').onclick = show;
    $('build').onclick = build;
    $('save').onclick = save;
    $('export-steps').onclick = exportSteps;
    $('verify').onclick = verify;
    $('evaluate').onclick = evaluate;
    document.querySelectorAll('#aux input').forEach((box) => (box.onchange = () => app.shown !== null && show()));
    document.body.addEventListener('dragover', (e) => e.preventDefault());
    document.body.addEventListener('drop', (e) => {
        e.preventDefault();
        if (e.dataTransfer.files[0]) openFile(e.dataTransfer.files[0]);
    });
    window.addEventListener('keydown', (e) => {
        if (e.key === 'F5') { e.preventDefault(); show(); }
        if (e.ctrlKey && e.key === 's') { e.preventDefault(); save(); }
    });
    wireGraph();
}

QuillardCore().then((module) => {
    Q = module;
    view = new EditorView({ parent: $('editor') });
    wire();
    $('new').onclick();
    document.body.classList.add('ready');
});
