'use strict';
// The service's counters in Prometheus's text format (GET /metrics), through
// prom-client on a registry of its own (no global state between services in
// one process, as in the tests).

const client = require('prom-client');

function createMetrics({ live = null } = {}) {
  const registry = new client.Registry();
  // Counted on every request in an array by status for each route (a few
  // fixed names), handed to prom-client on a scrape.
  const counts = { location: null, report: null, healthz: null, metrics: null, __quit: null, other: null };
  new client.Counter({
    name: 'weather_http_requests_total', help: 'Answered requests by route and status.',
    labelNames: ['route', 'status'], registers: [registry],
    collect() {
      this.reset();
      for (const [route, byStatus] of Object.entries(counts)) {
        byStatus?.forEach((count, status) => count && this.inc({ route, status }, count));
      }
    },
  });
  if (live) {
    const refresher = live.refresher;
    new client.Counter({
      name: 'weather_upstream_requests_total', help: 'API requests by source and outcome (ok, partial, failed).',
      labelNames: ['source', 'outcome'], registers: [registry],
      collect() {
        this.reset();
        for (const [key, count] of refresher.stats.requests) {
          const [source, outcome] = key.split('/');
          this.inc({ source, outcome }, count);
        }
      },
    });
    new client.Counter({
      name: 'weather_upstream_failures_total', help: 'API failures by source and kind.',
      labelNames: ['source', 'kind'], registers: [registry],
      collect() {
        this.reset();
        for (const [key, count] of refresher.stats.failures) {
          const [source, kind] = key.split('/');
          this.inc({ source, kind }, count);
        }
      },
    });
    new client.Gauge({
      name: 'weather_upstream_calls_spent', help: 'Open-Meteo calls (forecast and air quality) spent in the sliding window.',
      labelNames: ['window'], registers: [registry],
      collect() {
        for (const [window, calls] of Object.entries(refresher.sources[0].gate.spent())) this.set({ window }, calls);
      },
    });
    new client.Gauge({
      name: 'weather_upstream_calls_budget', help: 'Forecast API calls the budget allows in the window.',
      labelNames: ['window'], registers: [registry],
      collect() {
        for (const w of refresher.sources[0].gate.windows) this.set({ window: w.name }, w.limit);
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
      const byStatus = counts[route] || (counts[route] = new Array(600).fill(0));
      if (status >= 0 && status < 600) byStatus[status] += 1;
    },
    async text() {
      return { type: registry.contentType, body: Buffer.from(await registry.metrics(), 'utf8') };
    },
  };
}

module.exports = { createMetrics };
