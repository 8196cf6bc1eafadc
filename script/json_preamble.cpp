#include "script/json_preamble.h"

namespace script {

// Plain ASCII; kept in the ES5 subset.
const char kJsonPreamble[] = R"JS(
function get__count(c) {
  if (Object.prototype.toString.call(c) == '[object Array]') return c.length;
  return 0;
}

function get__name_All(a) {
  if (Object.prototype.toString.call(a) != '[object Object]') return '';
  var names = [];
  for (var k in a) {
    if (typeof a[k] != 'function') names.push(k);
  }
  return names.join('\r\n');
}

function get__extend(target, source) {
  if (Object.prototype.toString.call(target) == '[object Array]') {
    for (var i = 0; i < source.length; i++) target.push(source[i]);
    return target;
  }
  for (var k in source) {
    switch (typeof target[k]) {
      case 'string':
      case 'boolean':
      case 'undefined':
        target[k] = source[k];
        break;
      case 'number':
        target = target.concat(source);
        break;
      case 'object':
        target[k] = get__extend(target[k], source[k]);
        break;
    }
  }
  return target;
}

(function (global) {
  function hidden(owner, name, value) {
    Object.defineProperty(owner, name,
        { value: value, writable: true, configurable: true, enumerable: false });
  }
  function two(n) { return n < 10 ? '0' + n : String(n); }

  if (typeof global.JSON != 'object' || global.JSON === null) hidden(global, 'JSON', {});
  var JSON = global.JSON;

  // The engine's own stringify leaves these characters raw; written as
  // \u escapes they survive any transport and any later eval of the text.
  var rawStringify = JSON.stringify;
  var unsafe = /[\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
  function escapeUnsafe(c) {
    return '\\u' + ('000' + c.charCodeAt(0).toString(16)).slice(-4);
  }
  hidden(JSON, 'stringify', function stringify(value, replacer, space) {
    var text = rawStringify(value, replacer, space);
    return typeof text == 'string' ? text.replace(unsafe, escapeUnsafe) : text;
  });

  hidden(Date.prototype, 'toJSON', function toJSON(key) {
    if (!isFinite(this.valueOf())) return null;
    return this.getUTCFullYear() + '-' + two(this.getUTCMonth() + 1) + '-' +
        two(this.getUTCDate()) + 'T' + two(this.getUTCHours()) + ':' +
        two(this.getUTCMinutes()) + ':' + two(this.getUTCSeconds()) + 'Z';
  });
  function ownValue(key) { return this.valueOf(); }
  hidden(String.prototype, 'toJSON', ownValue);
  hidden(Number.prototype, 'toJSON', ownValue);
  hidden(Boolean.prototype, 'toJSON', ownValue);

  hidden(Object.prototype, 'toJSONString', function toJSONString(filter) {
    return JSON.stringify(this, filter);
  });
  hidden(Object.prototype, 'parseJSON', function parseJSON(filter) {
    return JSON.parse(String(this), filter);
  });
})(this);
)JS";

}  // namespace script
