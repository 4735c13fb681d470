#!/usr/bin/env node
'use strict';
// The weather viewer's web service: the location page (GET /) and the
// weather reports (GET /data/<code>.html), from made-up data (--source
// synthetic, for tests and offline runs) or from real forecasts (--source
// live). service/README.md describes every option.

const { parseOptions, OptionsError, USAGE } = require('./lib/options');
const { WeatherService } = require('./lib/app');

async function main() {
  let options;
  try {
    options = parseOptions(process.argv.slice(2));
  } catch (error) {
    if (!(error instanceof OptionsError)) throw error;
    process.stderr.write(`${error.message}\n${USAGE}\n`);
    process.exit(2);
  }
  if (options.help) {
    process.stdout.write(`${USAGE}\n`);
    process.exit(0);
  }
  let service;
  const stop = () => {
    service.close().then(() => process.exit(0));
    setTimeout(() => process.exit(0), 1000).unref();
  };
  options.onQuit = stop;
  service = new WeatherService(options);
  let address;
  try {
    address = await service.listen(options.port, options.host);
  } catch (error) {
    process.stderr.write(`cannot listen on ${options.host}:${options.port}: ${error.message}\n`);
    process.exit(1);
  }
  process.stdout.write(`listening on ${address.address}:${address.port}\n`);
  // Test programs under Wine cannot signal a Unix process: they ask it to
  // quit (--allow-quit), and a lifetime bounds a service whose test died.
  if (options.lifetimeMs > 0) setTimeout(stop, options.lifetimeMs).unref();
  process.on('SIGINT', stop);
  process.on('SIGTERM', stop);
}

if (require.main === module) main();

