'use strict';
// Hostile and odd requests get a quick 4xx and nothing else; good ones get
// their answers whole, each leaving in one write; behind a trusted proxy the
// forwarded caller is believed only as far as the proxy vouches for it.

const test = require('node:test');
const assert = require('node:assert');
const net = require('net');
const H = require('./helpers');
const { HttpServer, KEPT_TICKS } = require('../lib/httpServer');
const { parseOptions } = require('../lib/options');

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

test("one of node's tick objects is held, so that V8 keeps their shape", () => {
  // Node names them so to async hooks; a node that does not leaves the server slower after quiet spells.
  assert.ok(KEPT_TICKS.length >= 1 && typeof KEPT_TICKS[0].callback === 'function', 'no tick object held');
});

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

test('keep-alive, pipelining, HEAD and the absolute form; each answer leaves whole', async () => {
  const service = await H.startService([]);
  // What the server hands to the kernel in one call: no answer may be cut
  // across two, or its parts meet the client's delayed acknowledgement.
  const writes = [];
  const { _write, _writev } = net.Socket.prototype;
  net.Socket.prototype._write = function counted(chunk, encoding, callback) {
    if (this.localPort === service.port) writes.push(Buffer.byteLength(chunk, encoding));
    return _write.call(this, chunk, encoding, callback);
  };
  net.Socket.prototype._writev = function counted(chunks, callback) {
    if (this.localPort === service.port) {
      writes.push(chunks.reduce((sum, { chunk, encoding }) => sum + Buffer.byteLength(chunk, encoding), 0));
    }
    return _writev.call(this, chunks, callback);
  };
  try {
    const socket = await connect(service.port);
    socket.write('GET /data/101290101.html HTTP/1.1\r\nHost: x\r\n\r\n' +
      'HEAD /data/101010100.html HTTP/1.1\r\nHost: x\r\n\r\n' +
      'GET http://127.0.0.1/data/101280101.html HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n');
    const answers = (await readToEnd(socket)).split(/(?=HTTP\/1\.1 )/);
    assert.strictEqual(answers.length, 3);
    assert.ok(answers.every((answer) => answer.startsWith('HTTP/1.1 200 OK\r\n')));
    assert.ok(answers.every((answer) => /\r\nDate: .* GMT\r\n/.test(answer)));
    assert.ok(answers.every((answer) => /\r\nContent-Length: \d+\r\n/.test(answer)));
    assert.ok(answers[0].includes('"cityid":"101290101"'));
    assert.ok(answers[1].endsWith('\r\n\r\n'), 'HEAD has no body');
    assert.ok(answers[2].includes('"cityid":"101280101"'));
    assert.match(answers[2], /\r\nConnection: close\r\n/);
    const ends = new Set([0]);
    answers.reduce((sum, answer) => (ends.add(sum + answer.length), sum + answer.length), 0);
    let sent = 0;
    for (const size of writes) assert.ok(ends.has(sent += size), `a write ends at ${sent}, inside an answer`);
    assert.strictEqual(sent, answers.join('').length);
  } finally {
    Object.assign(net.Socket.prototype, { _write, _writev });
    await service.close();
  }
});

// Raw requests on one connection; the first `count` answers as {status, body}.
function answersOn(port, text, count) {
  return new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1', () => socket.write(text));
    const answers = [];
    let pending = Buffer.alloc(0);
    socket.on('data', (chunk) => {
      pending = Buffer.concat([pending, chunk]);
      for (let end; (end = pending.indexOf('\r\n\r\n')) >= 0;) {
        const head = pending.subarray(0, end).toString('latin1');
        const length = Number((/\r\nContent-Length: (\d+)/i.exec(head) || [])[1] || 0);
        if (pending.length < end + 4 + length) break;
        const body = pending.subarray(end + 4, end + 4 + length).toString();
        answers.push({ status: Number(head.split(' ')[1]), body });
        pending = pending.subarray(end + 4 + length);
      }
      if (answers.length >= count) {
        socket.destroy();
        resolve(answers);
      }
    });
    socket.on('error', reject);
    socket.on('close', () => reject(new Error(`closed after ${answers.length} of ${count} answers`)));
  });
}

function forwardedGet(client) {
  return `GET /${client} HTTP/1.1\r\nHost: x\r\nX-Forwarded-For: ${client}\r\n\r\n`;
}

// A server whose answers wait until the test opens the gate; each answer
// says whom the server took the caller for.
async function gatedServer(options) {
  const gate = { waiting: [], opened: true, want: 0, reached: null, calls: 0 };
  const answer = (request) => ({
    status: 200, headers: [['Content-Type', 'text/plain']],
    body: Buffer.from(`${request.remoteAddress} ${request.clientAddress}`),
  });
  gate.close = () => Object.assign(gate, { opened: false });
  gate.open = () => {
    gate.opened = true;
    gate.waiting.splice(0).forEach((release) => release());
  };
  gate.waitFor = (count) => new Promise((resolve) => {
    gate.want = count;
    gate.reached = resolve;
    if (gate.waiting.length >= count) resolve();
  });
  const server = new HttpServer((request) => {
    gate.calls += 1;
    if (gate.opened) return answer(request);
    return new Promise((resolve) => {
      gate.waiting.push(() => resolve(answer(request)));
      if (gate.waiting.length >= gate.want && gate.reached) gate.reached();
    });
  }, { limits: parseOptions([]).limits, ...options });
  const { port } = await server.listen(0, '127.0.0.1');
  return { server, port, gate };
}

test('behind a trusted proxy the caller is the last forwarded address, when well formed', async () => {
  const cases = [
    ['', '127.0.0.1'],
    ['X-Forwarded-For: 203.0.113.7\r\n', '203.0.113.7'],
    ['X-Forwarded-For: 198.51.100.1, 203.0.113.7\r\n', '203.0.113.7'],
    ['X-Forwarded-For: 198.51.100.1\r\nX-Forwarded-For: 203.0.113.8\r\n', '203.0.113.8'],
    ['X-Forwarded-For: 2001:db8::1\r\n', '2001:db8::1'],
    ['X-Forwarded-For: ::ffff:203.0.113.9\r\n', '203.0.113.9'],
    ['X-Forwarded-For: <script>\r\n', '127.0.0.1'],
    ['X-Forwarded-For: 1.2.3.4, evil\r\n', '127.0.0.1'],
    ['X-Forwarded-For: 203.0.113.300\r\n', '127.0.0.1'],
    ['X-Forwarded-For: 203.0.113.7:8080\r\n', '127.0.0.1'],
    ['X-Forwarded-For: \r\n', '127.0.0.1'],
  ];
  for (const trustProxy of [true, false]) {
    const { server, port } = await gatedServer({ trustProxy });
    try {
      for (const [lines, client] of cases) {
        const [answer] = await answersOn(port, `GET / HTTP/1.1\r\n${lines}Connection: close\r\n\r\n`, 1);
        assert.strictEqual(answer.body, `127.0.0.1 ${trustProxy ? client : '127.0.0.1'}`, `${trustProxy} ${lines}`);
      }
    } finally {
      await server.close();
    }
  }
});

test('behind a trusted proxy each forwarded client may have 32 requests in flight', async () => {
  const { server, port, gate } = await gatedServer({ trustProxy: true });
  try {
    // 32 from one client over 4 proxy connections, held; the 33rd is refused
    // and the proxy's connection goes on with another client's request.
    gate.close();
    const held = [0, 1, 2, 3].map(() => answersOn(port, forwardedGet('203.0.113.5').repeat(8), 8));
    await gate.waitFor(32);
    const mixed = answersOn(port, forwardedGet('203.0.113.5') + forwardedGet('203.0.113.6'), 2);
    await gate.waitFor(33);
    gate.open();
    assert.deepStrictEqual((await mixed).map((a) => a.status), [429, 200]);
    assert.deepStrictEqual((await Promise.all(held)).flat().map((a) => a.status), new Array(32).fill(200));
    assert.strictEqual((await answersOn(port, forwardedGet('203.0.113.5'), 1))[0].status, 200, 'released');

    // 200 clients over a pool of 25 proxy connections, 8 pipelined on each.
    gate.close();
    const pool = Array.from({ length: 25 }, (_, c) =>
      answersOn(port, Array.from({ length: 8 }, (_, r) => forwardedGet(`198.51.${c}.${r + 1}`)).join(''), 8));
    await gate.waitFor(200);
    gate.open();
    const answers = (await Promise.all(pool)).flat();
    assert.deepStrictEqual(answers.map((a) => a.status), new Array(200).fill(200));
    assert.strictEqual(new Set(answers.map((a) => a.body)).size, 200);
  } finally {
    await server.close();
  }
});

test('a slow handler gets 16 requests of a connection at a time; half-closed clients are answered', async () => {
  const { server, port, gate } = await gatedServer({});
  try {
    gate.close();
    const socket = await connect(port);
    const answers = readToEnd(socket, 5000);
    // 200 pipelined requests in four writes, the last with the client's end;
    // the server stops reading after the first.
    const fifty = 'GET / HTTP/1.1\r\nHost: x\r\n\r\n'.repeat(50);
    for (let i = 0; i < 4; i += 1) {
      socket[i < 3 ? 'write' : 'end'](fifty);
      await new Promise((resolve) => setTimeout(resolve, 30));
    }
    assert.ok([...server.connections][0].socket.bytesRead <= fifty.length);
    // And one request, then the end, from a client that waits for its answer.
    const lone = await connect(port);
    const loneAnswer = readToEnd(lone);
    lone.end('GET / HTTP/1.1\r\n\r\n');
    await new Promise((resolve) => setTimeout(resolve, 100));
    assert.strictEqual(gate.calls, 16 + 1);
    gate.open();
    assert.strictEqual((await answers).split('HTTP/1.1 200 OK\r\n').length - 1, 200);
    assert.match(await loneAnswer, /^HTTP\/1\.1 200 OK\r\n/);
  } finally {
    await server.close();
  }
});
