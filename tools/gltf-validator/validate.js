// Validates a glTF file with the Khronos validator: prints a one-line summary and the messages,
// and exits with 1 when the file has errors (2 when it cannot be read).
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

const file = process.argv[2];
if (!file) {
    console.error('usage: node validate.js FILE.gltf');
    process.exit(2);
}
let data;
try {
    data = new Uint8Array(fs.readFileSync(file));
} catch (e) {
    console.error(`${file}: ${e.message}`);
    process.exit(2);
}
validator.validateBytes(data, {
    uri: path.basename(file),
    maxIssues: 100,
    externalResourceFunction: (uri) => Promise.reject(new Error(`external resource ${uri} is not expected`)),
}).then((report) => {
    const i = report.issues;
    console.log(`${file}: ${i.numErrors} errors, ${i.numWarnings} warnings, ${i.numInfos} infos`);
    for (const m of i.messages) console.log(`  ${['error', 'warning', 'info', 'hint'][m.severity]} ${m.code} ${m.pointer || ''}: ${m.message}`);
    process.exit(i.numErrors > 0 ? 1 : 0);
}, (error) => {
    console.error(`${file}: ${error}`);
    process.exit(2);
});
