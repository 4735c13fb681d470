'use strict';
// The service's counters in Prometheus's text format (GET /metrics), through
// prom-client on a registry of its own (no global state between services in
// one process, as in the tests).

const client = require('prom-client');

function createMetrics({ live = null } = {}) {
  const registry = new client.Registry();
  const requests = new client.Counter({
    name: 'weather_http_requests_total', help: 'Answered requests by route and status.',
    labelNames: ['route', 'status'], registers: [registry],
  });
  if (live) {
    const refresher = live.refresher;
    new client.Counter({
      name: 'weather_upstream_requests_total', help: 'Forecast API requests by outcome (ok, partial, failed).',
      labelNames: ['outcome'], registers: [registry],
      collect() {
        this.reset();
        for (const [outcome, count] of refresher.stats.requests) this.inc({ outcome }, count);
      },
    });
    new client.Counter({
      name: 'weather_upstream_failures_total', help: 'Forecast API failures by kind.',
      labelNames: ['kind'], registers: [registry],
      collect() {
        this.reset();
        for (const [kind, count] of refresher.stats.failures) this.inc({ kind }, count);
      },
    });
    new client.Gauge({
      name: 'weather_upstream_calls_spent', help: 'Forecast API calls spent in the sliding window.',
      labelNames: ['window'], registers: [registry],
      collect() {
        for (const [window, calls] of Object.entries(refresher.spent())) this.set({ window }, calls);
      },
    });
    new client.Gauge({
      name: 'weather_upstream_calls_budget', help: 'Forecast API calls the budget allows in the window.',
      labelNames: ['window'], registers: [registry],
      collect() {
        for (const w of refresher.windows) this.set({ window: w.name }, w.limit);
      },
    });
    new client.Gauge({
      name: 'weather_store_oldest_forecast_age_seconds',
      help: 'Age of the oldest stored forecast (+Inf while a place has none).', registers: [registry],
      collect() {
        this.set(live.oldestAgeMs() / 1000);
      },
    });
    new client.Gauge({
      name: 'weather_store_places_uncovered', help: 'Places whose stored forecast does not hold today.',
      registers: [registry],
      collect() {
        this.set(live.uncovered().length);
      },
    });
  }
  return {
    registry,
    countRequest(route, status) {
      requests.inc({ route, status: String(status) });
    },
    async text() {
      return { type: registry.contentType, body: Buffer.from(await registry.metrics(), 'utf8') };
    },
  };
}

module.exports = { createMetrics };
