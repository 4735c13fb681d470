'use strict';
// The forecast requests' thread (see upstream.js): each message {id, url,
// options} is one GET, answered with {id, value} or {id, error}.

const { parentPort } = require('worker_threads');
const { getUrlHere } = require('./upstream');

parentPort.on('message', ({ id, url, options }) => {
  getUrlHere(url, options).then((value) => parentPort.postMessage({ id, value }), (error) => {
    const { kind = 'network', message = String(error), limit = null, retryAfterMs = null } = error || {};
    parentPort.postMessage({ id, error: { kind, message, limit, retryAfterMs } });
  });
});
