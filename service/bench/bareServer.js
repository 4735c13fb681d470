'use strict';
// The benchmark's baseline: node's own http server answering each path with
// a fixed answer (status, headers in their order, body), read from a JSON
// file {fallback: PATH, answers: {PATH: {status, reason, headers: [name,
// value, ...], body: base64}}}; other paths get the fallback's answer.
// Usage: node service/bench/bareServer.js ANSWERS.json; prints "listening on
// 127.0.0.1:PORT" and stops on SIGTERM or when its parent goes.

const fs = require('fs');
const http = require('http');

const file = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const answers = new Map(Object.entries(file.answers).map(([target, answer]) =>
  [target, { ...answer, body: Buffer.from(answer.body, 'base64') }]));
const fallback = answers.get(file.fallback);

const server = http.createServer((req, res) => {
  const answer = answers.get(req.url) || fallback;
  // Headers given explicitly (Date, Connection, Keep-Alive included), so
  // node adds none of its own and the bytes match the captured answer.
  res.writeHead(answer.status, answer.reason, answer.headers);
  res.end(answer.body);
});
server.listen(0, '127.0.0.1', () => {
  process.stdout.write(`listening on 127.0.0.1:${server.address().port}\n`);
});
process.on('SIGTERM', () => process.exit(0));
process.on('SIGINT', () => process.exit(0));
// An orphan would hold its port: stop when the benchmark's pipe closes.
process.stdin.on('end', () => process.exit(0));
process.stdin.resume();
