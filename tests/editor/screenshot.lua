-- Neovim as an engineer would have it for the screenshot of docs/editor.md:
-- `abimport lsp` attached to every deck, diagnostics shown beside their
-- lines, and once they are in, the cursor on a field with its hover open.
-- Started by scripts/editor-screenshot.sh inside tmux.
vim.opt.number = true
vim.opt.termguicolors = true
vim.opt.signcolumn = 'yes'
vim.cmd('syntax on')
vim.cmd('highlight NormalFloat guifg=#d0d0d0 guibg=#30343f')
vim.cmd('highlight FloatBorder guifg=#7aa6da guibg=#30343f')
vim.lsp.handlers['textDocument/hover'] =
  vim.lsp.with(vim.lsp.handlers.hover, { border = 'rounded' })
vim.api.nvim_create_autocmd('VimEnter', {
  once = true,
  callback = function()
    local client_id = vim.lsp.start_client({
      cmd = { os.getenv('ABIMPORT'), 'lsp' },
      root_dir = vim.fn.expand('%:p:h'),
      name = 'abimport',
    })
    vim.lsp.buf_attach_client(0, client_id)
    vim.wait(10000, function() return #vim.diagnostic.get(0) > 0 end, 20)
    vim.api.nvim_win_set_cursor(0, { 9, 44 })
    vim.lsp.buf.hover()
  end,
})
