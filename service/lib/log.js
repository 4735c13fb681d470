'use strict';
// One JSON line per event on stderr: {"t":"<ISO time>","event":"<kind>",...}.
// Lines are gathered and written once per turn of the event loop, so that
// logging every request costs one write for a whole burst.

function createLog({ enabled = true, stream = process.stderr } = {}) {
  if (!enabled) return () => {};
  let pending = '';
  let scheduled = false;
  const flush = () => {
    scheduled = false;
    const text = pending;
    pending = '';
    if (text) stream.write(text);
  };
  return (event, fields = {}) => {
    pending += `${JSON.stringify({ t: new Date().toISOString(), event, ...fields })}\n`;
    if (pending.length > 65536) flush();
    else if (!scheduled) {
      scheduled = true;
      setImmediate(flush);
    }
  };
}

module.exports = { createLog };
