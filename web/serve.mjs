// Serves the browser build's folder on 127.0.0.1, the way a host must: with
// the two headers that make the page cross-origin isolated (threads, and so
// every core). --no-isolation leaves them out (the page then plays on one
// thread), as a host without them would.
//   node web/serve.mjs FOLDER [PORT] [--no-isolation]
import { createServer } from 'node:http';
import { readFile, stat } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';

const options = process.argv.slice(2).filter((a) => a.startsWith('--'));
const [folderArgument, portArgument] = process.argv.slice(2).filter((a) => !a.startsWith('--'));
const isolated = !options.includes('--no-isolation');
if (!folderArgument) {
  console.error('usage: node web/serve.mjs FOLDER [PORT] [--no-isolation]');
  process.exit(2);
}
const folder = resolve(folderArgument);
const port = portArgument === undefined ? 8080 : Number(portArgument);
if (!Number.isInteger(port) || port < 0 || port > 65535) {
  console.error(`serve: the port must be a number from 0 to 65535, not '${portArgument}'`);
  process.exit(2);
}
const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.data': 'application/octet-stream', '.png': 'image/png',
};

const server = createServer(async (request, response) => {
  const headers = { 'Cache-Control': 'no-cache' };
  if (isolated) {
    headers['Cross-Origin-Opener-Policy'] = 'same-origin';
    headers['Cross-Origin-Embedder-Policy'] = 'require-corp';
  }
  let path = decodeURIComponent(new URL(request.url, 'http://host').pathname);
  if (path.endsWith('/')) path += 'index.html';
  const file = normalize(join(folder, path));
  if (file !== folder && !file.startsWith(folder + sep)) {
    response.writeHead(403, headers).end('forbidden\n');
    return;
  }
  try {
    if (!(await stat(file)).isFile()) throw new Error('not a file');
    const body = await readFile(file);
    headers['Content-Type'] = types[extname(file)] || 'application/octet-stream';
    response.writeHead(200, headers).end(request.method === 'HEAD' ? undefined : body);
  } catch {
    response.writeHead(404, headers).end('not found\n');
  }
});
server.on('error', (error) => {
  console.error(`serve: cannot serve on 127.0.0.1:${port}: ${error.message}`);
  process.exit(1);
});
server.listen(port, '127.0.0.1', () => {
  const address = `http://127.0.0.1:${server.address().port}/`;
  console.log(`Serving ${folder} at ${address}${isolated ? '' : ' (not cross-origin isolated: one thread)'}`);
});
