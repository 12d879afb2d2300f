// The one place the page gets the C++ core from: build/wasm/mox77-core.mjs,
// made by scripts/build-wasm.sh and inlined by Vite.
import createCore from '@mox77core';
import type { Core } from '@mox77core';

let pending: Promise<Core> | null = null;

export function loadCore(): Promise<Core> {
  pending ??= createCore();
  return pending;
}
