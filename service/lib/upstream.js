'use strict';
// Requests to the forecast API: one GET with a time limit and a size limit,
// through a queue that keeps under the API's published rate limits.

const http = require('http');
const https = require('https');

class UpstreamError extends Error {}

const MAX_BODY = 4 * 1024 * 1024;

// GET a URL; resolves {status, body} within `timeoutMs` or rejects.
function getUrl(url, { timeoutMs = 10000, headers = {} } = {}) {
  return new Promise((resolve, reject) => {
    let target;
    try {
      target = new URL(url);
    } catch (error) {
      reject(new UpstreamError(`bad forecast URL ${url}`));
      return;
    }
    const client = target.protocol === 'https:' ? https : http;
    let done = false;
    const finish = (error, value) => {
      if (done) return;
      done = true;
      clearTimeout(timer);
      if (error) reject(error);
      else resolve(value);
    };
    const request = client.get(target, { headers: { 'User-Agent': 'weather-service', ...headers } }, (response) => {
      const chunks = [];
      let size = 0;
      response.on('data', (chunk) => {
        size += chunk.length;
        if (size > MAX_BODY) {
          request.destroy();
          finish(new UpstreamError('forecast answer too large'));
          return;
        }
        chunks.push(chunk);
      });
      response.on('end', () => finish(null, { status: response.statusCode, body: Buffer.concat(chunks) }));
      response.on('aborted', () => finish(new UpstreamError('forecast answer cut off')));
      response.on('error', (error) => finish(new UpstreamError(`forecast answer: ${error.message}`)));
    });
    request.on('error', (error) => finish(new UpstreamError(`forecast request: ${error.message}`)));
    const timer = setTimeout(() => {
      finish(new UpstreamError(`no forecast within ${timeoutMs} ms`));
      request.destroy();
    }, timeoutMs);
  });
}

// Open-Meteo's limits for free use: 600 calls a minute, 5,000 an hour,
// 10,000 a day. A request for more than 10 variables counts as more than
// one call, so each of ours (12 variables) is counted as `weight` calls.
const PUBLISHED_LIMITS = { perMinute: 600, perHour: 5000, perDay: 10000 };

class RateQueue {
  constructor({ perMinute = PUBLISHED_LIMITS.perMinute, perHour = PUBLISHED_LIMITS.perHour,
    perDay = PUBLISHED_LIMITS.perDay, weight = 1.2, concurrency = 4, waitMs = 10000,
    now = () => Date.now() } = {}) {
    this.windows = [
      { span: 60e3, limit: perMinute, used: [] },
      { span: 3600e3, limit: perHour, used: [] },
      { span: 86400e3, limit: perDay, used: [] },
    ];
    this.weight = weight;
    this.concurrency = concurrency;
    this.waitMs = waitMs;
    this.now = now;
    this.jobs = [];
    this.active = 0;
    this.timer = null;
    this.calls = 0;
  }

  // How long until one more call fits every window (0: now).
  delayForNextCall() {
    const now = this.now();
    let delay = 0;
    for (const window of this.windows) {
      while (window.used.length && window.used[0] <= now - window.span) window.used.shift();
      if ((window.used.length + 1) * this.weight > window.limit) {
        const excess = window.used.length + 1 - Math.floor(window.limit / this.weight);
        const oldest = window.used[Math.max(0, excess - 1)];
        delay = Math.max(delay, oldest + window.span - now + 1);
      }
    }
    return delay;
  }

  // Runs `task` (returning a promise) when the limits allow; rejects when it
  // has waited longer than waitMs.
  run(task) {
    return new Promise((resolve, reject) => {
      this.jobs.push({ task, resolve, reject, deadline: this.now() + this.waitMs });
      this.pump();
    });
  }

  pump() {
    const now = this.now();
    this.jobs = this.jobs.filter((job) => {
      if (job.deadline >= now) return true;
      job.reject(new UpstreamError('waited too long for the forecast API'));
      return false;
    });
    while (this.active < this.concurrency && this.jobs.length && this.delayForNextCall() === 0) {
      const job = this.jobs.shift();
      for (const window of this.windows) window.used.push(now);
      ++this.active;
      ++this.calls;
      Promise.resolve().then(job.task).then(job.resolve, job.reject).finally(() => {
        --this.active;
        this.pump();
      });
    }
    clearTimeout(this.timer);
    this.timer = null;
    if (this.jobs.length) {
      // Wake for the first deadline, or as soon as the limits let a call through.
      let wait = this.jobs[0].deadline - now + 1;
      if (this.active < this.concurrency) wait = Math.min(wait, this.delayForNextCall());
      this.timer = setTimeout(() => this.pump(), Math.max(1, wait));
      this.timer.unref();
    }
  }
}

module.exports = { getUrl, RateQueue, UpstreamError, PUBLISHED_LIMITS };
