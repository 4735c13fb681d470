'use strict';
// One GET to the forecast API with a deadline for the whole answer (a hang
// and a drip end alike) and a size limit.

const http = require('http');
const https = require('https');

class UpstreamError extends Error {
  // kind: 'network' | 'timeout' | 'size' | 'status' | 'limit' | 'refused' | 'garbage' | 'invalid'
  constructor(kind, message, { limit = null, retryAfterMs = null } = {}) {
    super(message);
    this.kind = kind;
    this.limit = limit;            // 'minute' | 'hour' | 'day' for a 429 that says which
    this.retryAfterMs = retryAfterMs;
  }
}

// Resolves {status, headers, body} within `timeoutMs`, or rejects with UpstreamError.
function getUrl(url, { timeoutMs = 20000, maxBytes = 16 * 1024 * 1024, headers = {} } = {}) {
  return new Promise((resolve, reject) => {
    let target;
    try {
      target = new URL(url);
    } catch (error) {
      reject(new UpstreamError('network', `bad forecast URL ${url}`));
      return;
    }
    const client = target.protocol === 'https:' ? https : http;
    let done = false;
    const finish = (error, value) => {
      if (done) return;
      done = true;
      clearTimeout(timer);
      if (error) {
        request.destroy();
        reject(error);
      } else {
        resolve(value);
      }
    };
    const request = client.get(target, {
      headers: { 'User-Agent': 'weather-service', 'Accept-Encoding': 'identity', ...headers },
    }, (response) => {
      const chunks = [];
      let size = 0;
      response.on('data', (chunk) => {
        size += chunk.length;
        if (size > maxBytes) finish(new UpstreamError('size', 'forecast answer too large'));
        else chunks.push(chunk);
      });
      response.on('end', () => finish(null, {
        status: response.statusCode, headers: response.headers, body: Buffer.concat(chunks),
      }));
      response.on('aborted', () => finish(new UpstreamError('network', 'forecast answer cut off')));
      response.on('error', (error) => finish(new UpstreamError('network', `forecast answer: ${error.message}`)));
    });
    request.on('error', (error) => finish(new UpstreamError('network', `forecast request: ${error.message}`)));
    const timer = setTimeout(() => finish(new UpstreamError('timeout', `no whole forecast answer within ${timeoutMs} ms`)),
      timeoutMs);
  });
}

module.exports = { getUrl, UpstreamError };
