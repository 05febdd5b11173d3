-- The editor test: Neovim's own LSP client runs `abimport lsp` on the deck
-- it is started with and writes what it receives to $ABIMPORT_EDITOR_OUT:
-- the diagnostics of the deck and of the file it includes, a hover on a
-- field and on an ID field, and the definitions of an ID and of an include.
-- Started as: ABIMPORT=... ABIMPORT_EDITOR_OUT=... nvim --headless -u init.lua DECK
local tool = os.getenv('ABIMPORT')
local out_path = os.getenv('ABIMPORT_EDITOR_OUT')
local lines = {}
local function say(text) table.insert(lines, text) end
local function finish(status)
  local file = io.open(out_path, 'w')
  file:write(table.concat(lines, '\n') .. '\n')
  file:close()
  vim.cmd(status == 0 and 'qall!' or 'cquit! ' .. status)
end

local function run()
local deck = vim.api.nvim_buf_get_name(0)
local root = vim.fn.fnamemodify(deck, ':h')
local function name(path) return vim.fn.fnamemodify(path, ':t') end

local client_id = vim.lsp.start_client({
  cmd = { tool, 'lsp' },
  root_dir = root,
  name = 'abimport',
})
if not client_id then
  say('the client did not start')
  return finish(1)
end
vim.lsp.buf_attach_client(0, client_id)
local client = vim.lsp.get_client_by_id(client_id)

-- Diagnostics of every file of the model, as the client stores them: line
-- and byte columns, 0-based, with the warning kind.
local parts = vim.fn.bufadd(root .. '/parts.k')
local function diagnostics_of(buffer)
  local shown = {}
  for _, d in ipairs(vim.diagnostic.get(buffer)) do
    local code = d.code or (d.user_data and d.user_data.lsp and d.user_data.lsp.code) or ''
    table.insert(shown, string.format('%s %d:%d-%d %s %s', name(vim.api.nvim_buf_get_name(buffer)),
      d.lnum, d.col, d.end_col, code, d.message))
  end
  table.sort(shown)
  return shown
end
if not vim.wait(10000, function()
  return #vim.diagnostic.get(0) > 0 and #vim.diagnostic.get(parts) > 0
end, 20) then
  say('no diagnostics arrived')
  return finish(1)
end
for _, buffer in ipairs({ 0, parts }) do
  for _, line in ipairs(diagnostics_of(buffer)) do say('diagnostic ' .. line) end
end

local function at(line, character)
  return { textDocument = vim.lsp.util.make_text_document_params(0),
           position = { line = line, character = character } }
end
local function request(method, params)
  local reply, err = client.request_sync(method, params, 5000, 0)
  if not reply or reply.err then
    say(method .. ' failed: ' .. vim.inspect(err or reply.err))
    return nil
  end
  return reply.result
end

for _, place in ipairs({ { 8, 25 }, { 8, 45 } }) do
  local hover = request('textDocument/hover', at(place[1], place[2]))
  say(string.format('hover %d:%d', place[1], place[2]))
  if hover then
    for _, text in ipairs(vim.split(hover.contents.value, '\n')) do say('  ' .. text) end
  end
end
for _, place in ipairs({ { 8, 45 }, { 3, 2 } }) do
  local found = request('textDocument/definition', at(place[1], place[2]))
  if found then
    local location = found[1] or found
    say(string.format('definition %d:%d %s %d:%d-%d', place[1], place[2],
      name(vim.uri_to_fname(location.uri)), location.range.start.line,
      location.range.start.character, location.range['end'].character))
  end
end
finish(0)
end

-- The deck's buffer is loaded once Neovim has started.
vim.api.nvim_create_autocmd('VimEnter', { once = true, callback = run })
