// The core's wasm as the page carries it: deflated (raw), then base64
// (the plugin in vite.config.ts).
declare module 'virtual:mox77-core-wasm' {
  const packed: string;
  export default packed;
}
