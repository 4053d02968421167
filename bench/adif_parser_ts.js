// Times adif-parser-ts (npm) reading and parsing an ADIF file: the baseline that
// read_speed.sh holds the stand-in host's reading against. Prints "records seconds".
const { AdifParser } = require('adif-parser-ts');
const fs = require('fs');

const started = process.hrtime.bigint();
const text = fs.readFileSync(process.argv[2], 'utf8');
const parsed = AdifParser.parseAdi(text);
const seconds = Number(process.hrtime.bigint() - started) / 1e9;
console.log(parsed.records.length, seconds.toFixed(3));
