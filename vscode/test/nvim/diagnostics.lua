-- Neovim's own LSP client on the MOX77 language server: opens MOX77_SOURCE,
-- waits for the diagnostics and writes them, one "line: message" a line
-- (lines from 1), to MOX77_OUT.
local source = os.getenv('MOX77_SOURCE')
local out = os.getenv('MOX77_OUT')
local client = vim.lsp.start_client({
  name = 'mox77',
  cmd = { os.getenv('MOX77_NODE') or 'node', os.getenv('MOX77_LSP'), '--stdio' },
  root_dir = vim.fn.fnamemodify(source, ':h'),
})
vim.cmd('edit ' .. vim.fn.fnameescape(source))
local buf = vim.api.nvim_get_current_buf()
vim.lsp.buf_attach_client(buf, client)
local want = tonumber(os.getenv('MOX77_WANT') or '1')
vim.wait(20000, function()
  return #vim.diagnostic.get(buf) >= want
end, 50)
local diagnostics = vim.diagnostic.get(buf)
table.sort(diagnostics, function(a, b)
  return a.lnum < b.lnum
end)
local file = io.open(out, 'w')
for _, d in ipairs(diagnostics) do
  file:write(string.format('%d: %s\n', d.lnum + 1, d.message))
end
file:close()
vim.lsp.stop_client(client)
vim.cmd('qa!')
