'use strict';
// The forecast store: each place's last good forecast series, kept in one
// JSON file that is replaced atomically (written beside, flushed, renamed),
// so that a restart, even while the forecast API is down, serves every place
// the file covers. About 3 KB a place, 1.5 MB for the whole table: one file
// read at start and rewritten after each batch is simpler and as fast as a
// database here, and needs no native module.

const fs = require('fs');
const path = require('path');

const VERSION = 1;

class ForecastStore {
  // `origin` names where the forecasts come from (the API's base URL): a
  // file written for another origin is not used.
  // `changed(code)` hears of every place whose forecast or air is replaced.
  constructor({ file = null, origin = '', log = () => {}, changed = () => {} } = {}) {
    this.file = file;
    this.origin = origin;
    this.log = log;
    this.changed = changed;
    this.places = new Map();   // code -> {source, fetchedAt, start, daily, hourly}
    this.air = new Map();      // code -> {fetchedAt, start, hourly: {pm2_5, pm10, dust}}
    this.writing = null;
    this.again = false;
  }

  load() {
    if (!this.file) return 0;
    let data;
    try {
      data = JSON.parse(fs.readFileSync(this.file, 'utf8'));
    } catch (error) {
      if (error.code !== 'ENOENT') this.log('store', { outcome: 'unreadable', file: this.file, error: error.message });
      return 0;
    }
    if (!data || data.version !== VERSION || data.origin !== this.origin || typeof data.places !== 'object') {
      this.log('store', { outcome: 'ignored', file: this.file, reason: 'other version or origin' });
      return 0;
    }
    for (const [code, forecast] of Object.entries(data.places)) {
      if (forecast && typeof forecast.start === 'string' && Number.isFinite(forecast.fetchedAt)) {
        this.places.set(code, forecast);
        this.changed(code);
      }
    }
    for (const [code, air] of Object.entries(data.air || {})) {
      if (air && Number.isFinite(air.fetchedAt)) this.setAir(code, air);
    }
    this.log('store', { outcome: 'loaded', file: this.file, places: this.places.size });
    return this.places.size;
  }

  get(code) {
    return this.places.get(code);
  }

  set(code, forecast) {
    this.places.set(code, forecast);
    this.changed(code);
  }

  getAir(code) {
    return this.air.get(code);
  }

  setAir(code, air) {
    this.air.set(code, air);
    this.changed(code);
  }

  // Writes the file; calls made while a write is under way give one more.
  save() {
    if (!this.file) return Promise.resolve();
    if (this.writing) {
      this.again = true;
      return this.writing;
    }
    this.writing = this.write().catch((error) => {
      this.log('store', { outcome: 'unwritable', file: this.file, error: error.message });
    }).then(() => {
      this.writing = null;
      if (this.again) {
        this.again = false;
        return this.save();
      }
      return undefined;
    });
    return this.writing;
  }

  async write() {
    const text = JSON.stringify({ version: VERSION, origin: this.origin, places: Object.fromEntries(this.places),
      air: Object.fromEntries(this.air) });
    const directory = path.dirname(this.file);
    await fs.promises.mkdir(directory, { recursive: true });
    const temporary = `${this.file}.${process.pid}.tmp`;
    const handle = await fs.promises.open(temporary, 'w');
    try {
      await handle.writeFile(text);
      await handle.sync();
    } finally {
      await handle.close();
    }
    await fs.promises.rename(temporary, this.file);
    // The rename itself lasts only once the directory is flushed.
    const folder = await fs.promises.open(directory, 'r');
    try {
      await folder.sync();
    } catch (error) {
      // Some file systems cannot flush a directory; the rename still stands.
    } finally {
      await folder.close();
    }
  }
}

module.exports = { ForecastStore };
