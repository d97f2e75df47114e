// The grammar lives once, in editors/textmate/; the extension carries a copy.
'use strict';
const fs = require('fs');
const path = require('path');

const source = path.join(__dirname, '..', 'textmate', 'qelscript.tmLanguage.json');
const target = path.join(__dirname, 'syntaxes', 'qelscript.tmLanguage.json');
fs.mkdirSync(path.dirname(target), { recursive: true });
fs.copyFileSync(source, target);
