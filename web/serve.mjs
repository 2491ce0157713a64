// Serves the page on localhost only, until stopped (Ctrl+C): node serve.mjs PAGE.html [PORT]
import fs from 'node:fs';
import http from 'node:http';

const [page, port = '8040'] = process.argv.slice(2);
http.createServer((request, response) => {
    if (request.url !== '/' && request.url !== '/quillard.html') {
        response.writeHead(404).end('not found');
        return;
    }
    response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8', 'Cache-Control': 'no-store' });
    response.end(fs.readFileSync(page));
}).listen(Number(port), '127.0.0.1', () => console.log(`Quillard in the browser: http://127.0.0.1:${port}/ (Ctrl+C stops)`));
