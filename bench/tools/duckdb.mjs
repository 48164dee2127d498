#!/usr/bin/env node
// usage: duckdb.mjs A-B OUT FILE...
// DuckDB through its Node API, in-memory. DuckDB wants UTF-8, and its own
// latin-1 reader refuses the bytes 0x80-0x9F that every cp932 lead byte of
// kanji is, so each file is first turned into UTF-8 here as if it were
// latin-1 (each byte one character, nothing can fail), and the hits are
// turned back into the same bytes on the way out. Code point order is then
// byte order. The detour is part of the measured time.
import { appendFileSync, createReadStream, createWriteStream, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pipeline } from 'node:stream/promises';
import { DuckDBInstance } from '@duckdb/node-api';

const [range, out, ...files] = process.argv.slice(2);
const [a, b] = range.split('-').map(Number);
const quote = (s) => `'${s.replaceAll("'", "''")}'`;
const tmp = mkdtempSync(join(tmpdir(), 'tessaly-duckdb-'));

try {
  const db = await DuckDBInstance.create(':memory:');
  const con = await db.connect();
  await con.run('CREATE TABLE rec (file INTEGER, line BIGINT, key VARCHAR, record VARCHAR)');
  for (const [i, path] of files.entries()) {
    const utf8 = join(tmp, `${i + 1}.csv`);
    await pipeline(createReadStream(path), async function* (bytes) {
      for await (const chunk of bytes) yield Buffer.from(chunk.toString('latin1'), 'utf8');
    }, createWriteStream(utf8));
    // Whole lines in one column (no tab in the data); a table keeps insertion
    // order, so rowid + 1 is the line number.
    await con.run(`CREATE OR REPLACE TABLE raw AS SELECT line FROM read_csv(${quote(utf8)},
        columns = {'line': 'VARCHAR'}, delim = '\t', quote = '', escape = '', header = false)`);
    await con.run(`INSERT INTO rec SELECT ${i + 1}, rowid + 1,
        replace(replace(array_to_string(string_split(line, ',')[${a}:${b}], ''), ' ', ''), chr(129) || '@', ''),
        line FROM raw`);
    rmSync(utf8);
  }
  await con.run('DROP TABLE raw');

  const result = await con.stream(`SELECT concat_ws(chr(9), key, file, line, record) FROM rec
      QUALIFY count(*) OVER (PARTITION BY key) >= 2 ORDER BY key, file, line`);
  writeFileSync(out, '');
  for (;;) {
    const chunk = await result.fetchChunk();
    if (!chunk || chunk.rowCount === 0) break;
    appendFileSync(out, Buffer.from(chunk.getColumns()[0].join('\n') + '\n', 'latin1'));
  }
} finally {
  rmSync(tmp, { recursive: true, force: true });
}
