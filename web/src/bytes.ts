// A source file's bytes and the editor's text, both ways, without losing a
// byte: the assembler is handed exactly the bytes the file had.

export type Encoding = 'utf-8' | 'latin1';
export type Eol = '\n' | '\r\n';

export interface DecodedText {
  text: string; // lines joined by "\n"
  encoding: Encoding;
  eol: Eol; // how the file ended its lines
}

export const MAX_FILE_BYTES = 16 * 1024 * 1024;

export function sizeText(n: number): string {
  return n >= 1024 * 1024 ? `${(n / 1024 / 1024).toFixed(1)} MiB` : `${Math.ceil(n / 1024)} KiB`;
}

const strictUtf8 = new TextDecoder('utf-8', { fatal: true });

export function decodeBytes(bytes: Uint8Array): DecodedText {
  let text: string;
  let encoding: Encoding;
  try {
    text = strictUtf8.decode(bytes);
    encoding = 'utf-8';
    // A BOM would be dropped by the decoder; keep such files byte for byte.
    if (bytes.length >= 3 && bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf) {
      text = '\ufeff' + text;
    }
  } catch {
    text = latin1(bytes);
    encoding = 'latin1';
  }
  // Only a file that ends every line with CR LF is shown with plain lines;
  // any other carriage return stays a character of the text.
  const lf = count(text, '\n');
  const crlf = count(text, '\r\n');
  if (lf > 0 && crlf === lf) {
    return { text: text.split('\r\n').join('\n'), encoding, eol: '\r\n' };
  }
  return { text, encoding, eol: '\n' };
}

// Text coming from outside (a paste, a drop) with its line ends made the
// editor's own, so that a CR never stays behind as a character of a line.
export function ownLineEnds(text: string): string {
  return text.replace(/\r\n?/g, '\n');
}

export function encodeText(text: string, encoding: Encoding, eol: Eol): Uint8Array {
  const joined = eol === '\n' ? text : text.split('\n').join(eol);
  if (encoding === 'utf-8') {
    const out = new TextEncoder().encode(joined);
    return out;
  }
  // Latin-1: one byte per character; a character beyond it (typed into a
  // Latin-1 file) is written as its UTF-8 bytes.
  const out: number[] = [];
  for (const ch of joined) {
    const c = ch.codePointAt(0)!;
    if (c < 256) out.push(c);
    else out.push(...new TextEncoder().encode(ch));
  }
  return Uint8Array.from(out);
}

function latin1(bytes: Uint8Array): string {
  let s = '';
  const chunk = 0x8000;
  for (let i = 0; i < bytes.length; i += chunk) {
    s += String.fromCharCode(...bytes.subarray(i, i + chunk));
  }
  return s;
}

function count(text: string, what: string): number {
  let n = 0;
  for (let i = text.indexOf(what); i >= 0; i = text.indexOf(what, i + what.length)) n++;
  return n;
}

// A file that is not text: control bytes that no text file holds, in a
// share no source has. Zero bytes alone do not make a file binary (zerlant
// reads up to the first one), unless they are a large part of it.
export function looksBinary(bytes: Uint8Array): boolean {
  const sample = bytes.subarray(0, 65536);
  if (sample.length === 0) return false;
  let control = 0;
  let zero = 0;
  for (const b of sample) {
    if (b === 0) zero++;
    else if ((b < 0x20 && b !== 0x09 && b !== 0x0a && b !== 0x0c && b !== 0x0d && b !== 0x0b) || b === 0x7f) control++;
  }
  return control / sample.length > 0.05 || zero / sample.length > 0.3;
}

export function toBase64Url(bytes: Uint8Array): string {
  return btoa(latin1(bytes)).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

// The browser's own decoder where it has one: a loop over every character
// runs before the JIT has warmed up, and shows in a cold start.
export function fromBase64(text: string): Uint8Array<ArrayBuffer> {
  const native = (Uint8Array as { fromBase64?: (t: string) => Uint8Array<ArrayBuffer> }).fromBase64;
  if (native) return native(text);
  const bin = atob(text);
  const out = new Uint8Array(bin.length);
  for (let i = 0; i < bin.length; i++) out[i] = bin.charCodeAt(i);
  return out;
}

export function fromBase64Url(text: string): Uint8Array {
  const b64 = text.replace(/-/g, '+').replace(/_/g, '/');
  return fromBase64(b64 + '==='.slice((b64.length + 3) % 4));
}
