'use strict';
// Hostile and odd requests get a quick 4xx and nothing else; good ones get
// one answer in one write.

const test = require('node:test');
const assert = require('node:assert');
const net = require('net');
const H = require('./helpers');

const LIMITS = ['--head-timeout', '0.5', '--idle-timeout', '0.5', '--max-connections-per-address', '3'];

function connect(port) {
  return new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1', () => resolve(socket));
    socket.once('error', reject);
  });
}

// Everything the server sends until it closes the connection.
function readToEnd(socket, timeoutMs = 3000) {
  return new Promise((resolve, reject) => {
    const chunks = [];
    const timer = setTimeout(() => reject(new Error('the server kept the connection open')), timeoutMs);
    socket.on('data', (chunk) => chunks.push(chunk));
    socket.on('close', () => {
      clearTimeout(timer);
      resolve(Buffer.concat(chunks).toString('latin1'));
    });
  });
}

test('bad requests get one quick 4xx and the connection closes', async () => {
  const service = await H.startService(['--source', 'live', ...LIMITS]);
  const cases = [
    ['POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc', 405],
    ['PUT /data/101010100.html HTTP/1.1\r\nHost: x\r\n\r\n', 405],
    ['DELETE / HTTP/1.1\r\n\r\n', 405],
    ['OPTIONS * HTTP/1.1\r\n\r\n', 405],
    ['CONNECT 127.0.0.1:80 HTTP/1.1\r\n\r\n', 405],
    ['TRACE / HTTP/1.1\r\n\r\n', 405],
    ['HELLO\r\n\r\n', 400],
    ['GET / HTTP/2.0\r\n\r\n', 400],
    ['GET / HTTP/1.1\r\nBad Header\r\n\r\n', 400],
    ['GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello', 400],
    [`GET /${'a'.repeat(5000)} HTTP/1.1\r\n\r\n`, 414],
    [`GET / HTTP/1.1\r\n${'X-Filler: 0123456789012345678901234567890123456789\r\n'.repeat(300)}\r\n`, 431],
  ];
  try {
    for (const [request, status] of cases) {
      const socket = await connect(service.port);
      const started = Date.now();
      socket.write(request);
      const answer = await readToEnd(socket);
      assert.strictEqual(Number(answer.split(' ')[1]), status, request.slice(0, 40));
      assert.ok(answer.includes('Connection: close\r\n'));
      assert.strictEqual(answer.match(/HTTP\/1\.1 /g).length, 1, 'nothing else');
      assert.ok(Date.now() - started < 400, 'quick');
    }
    const notFound = ['/data/12345.html', '/data/1234567890.html', '/data/10101010a.html', '/data/000000001.html',
      '/data/101010100.json', '/robots.txt', '/data/', '/%2e%2e/etc/passwd'];
    for (const path of notFound) assert.strictEqual((await H.get(service.port, path)).status, 404, path);
  } finally {
    await service.close();
  }
});

test('a slowly dripping client is cut off, an idle one closed', async () => {
  const service = await H.startService(LIMITS);
  try {
    const dripping = await connect(service.port);
    const started = Date.now();
    dripping.write('GET / HTTP/1.1\r\n');
    const drip = setInterval(() => dripping.writable && dripping.write('X-Drip: 1\r\n'), 100);
    const answer = await readToEnd(dripping);
    clearInterval(drip);
    assert.match(answer, /^HTTP\/1\.1 408 /);
    const took = Date.now() - started;
    assert.ok(took >= 450 && took < 1500, `${took} ms`);

    const idle = await connect(service.port);
    assert.strictEqual(await readToEnd(idle), '', 'closed without a word');
  } finally {
    await service.close();
  }
});

test('too many connections from one address: the extra one gets 429 at once', async () => {
  const service = await H.startService(LIMITS);
  try {
    const held = await Promise.all([1, 2, 3].map(() => connect(service.port)));
    const extra = await connect(service.port);
    assert.match(await readToEnd(extra), /^HTTP\/1\.1 429 /);
    held[0].destroy();
    await new Promise((resolve) => setTimeout(resolve, 50));
    assert.strictEqual((await H.get(service.port, '/data/101010100.html')).status, 200);
    held.forEach((socket) => socket.destroy());
  } finally {
    await service.close();
  }
});

test('keep-alive, pipelining, HEAD and the absolute form; each answer in one write', async () => {
  const service = await H.startService([]);
  const writes = [];
  const write = net.Socket.prototype.write;
  net.Socket.prototype.write = function counted(data, ...rest) {
    if (this.localPort === service.port) writes.push(Buffer.byteLength(data));
    return write.call(this, data, ...rest);
  };
  try {
    const socket = await connect(service.port);
    socket.write('GET /data/101290101.html HTTP/1.1\r\nHost: x\r\n\r\n' +
      'HEAD /data/101010100.html HTTP/1.1\r\nHost: x\r\n\r\n' +
      'GET http://127.0.0.1/data/101280101.html HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n');
    const answers = (await readToEnd(socket)).split(/(?=HTTP\/1\.1 )/);
    assert.strictEqual(answers.length, 3);
    assert.ok(answers.every((answer) => answer.startsWith('HTTP/1.1 200 OK\r\n')));
    assert.ok(answers[0].includes('"cityid":"101290101"'));
    assert.ok(answers[1].endsWith('\r\n\r\n'), 'HEAD has no body');
    assert.ok(answers[2].includes('"cityid":"101280101"'));
    assert.deepStrictEqual(writes.map((size, i) => size === Buffer.byteLength(answers[i], 'latin1')), [true, true, true]);
  } finally {
    net.Socket.prototype.write = write;
    await service.close();
  }
});
