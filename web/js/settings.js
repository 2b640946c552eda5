// The settings in the page's address: every value that differs from its default, by the
// parameter's symbol (the plugins' state keys), and the seed, e.g. #decay=3&voices=4&seed=7.
// A shared link sets the same sound.

export function readSettings(hash, parameters) {
  const values = parameters.map((p) => p.default);
  let seed = 1;
  const query = new URLSearchParams(hash.replace(/^#/, ''));
  for (const [key, text] of query) {
    const value = Number(text);
    if (!Number.isFinite(value)) continue;
    if (key === 'seed') {
      seed = Math.min(Math.max(Math.round(value), 0), 4294967295);
      continue;
    }
    const index = parameters.findIndex((p) => p.name === key);
    if (index < 0) continue;
    const p = parameters[index];
    const clamped = Math.min(Math.max(value, p.min), p.max);
    values[index] = p.integer ? Math.round(clamped) : clamped;
  }
  return { values, seed };
}

export function writeSettings(values, parameters, seed) {
  const query = new URLSearchParams();
  values.forEach((value, index) => {
    if (value !== parameters[index].default) query.set(parameters[index].name, String(value));
  });
  if (seed !== 1) query.set('seed', String(seed));
  const text = query.toString();
  return text ? `#${text}` : location.pathname + location.search;
}
