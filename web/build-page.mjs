// Builds the page as one self-contained HTML file: the page's script bundled with CodeMirror (esbuild),
// the core's module with its WebAssembly inside, and the style, all inline, so that it opens from file://.
//   node build-page.mjs MODULE.js OUT.html
import { build } from 'esbuild';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const [modulePath, out] = process.argv.slice(2);
const bundle = await build({ entryPoints: [path.join(here, 'src/main.js')], bundle: true, minify: true,
                             format: 'iife', target: 'es2020', write: false, legalComments: 'none' });
// A "</script" inside a script would end it: written as "<\/script" it means the same to JavaScript.
const inline = (text) => text.replace(/<\/script/gi, '<\\/script');
const page = fs.readFileSync(path.join(here, 'src/index.html'), 'utf8')
    .replace('/*STYLE*/', () => fs.readFileSync(path.join(here, 'src/style.css'), 'utf8'))
    .replace('/*MODULE*/', () => inline(fs.readFileSync(modulePath, 'utf8')))
    .replace('/*PAGE*/', () => inline(bundle.outputFiles[0].text));
fs.writeFileSync(out, page);
console.log(`${out}: ${page.length} bytes`);
