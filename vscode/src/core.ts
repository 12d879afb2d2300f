// The toolkit's core, compiled to WebAssembly and carried inside each bundle:
// every rule the servers report comes from here.
import createCore, { type Core } from '@mox77core';

let loading: Promise<Core> | undefined;

export function loadCore(): Promise<Core> {
  loading ??= createCore();
  return loading;
}

// Text as the file holds it: what zerlant would read.
export function bytesOf(text: string): Uint8Array {
  return new TextEncoder().encode(text);
}
