// The core hands bytes (machine code, a word) back as text of one character
// per byte; these are those bytes again.
export function latin1Bytes(text: string): Uint8Array {
  return Uint8Array.from(text, (c) => c.charCodeAt(0) & 0xff);
}
