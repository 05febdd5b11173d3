// libFuzzer target: random message sequences and random buffer edits for the
// language server, in process. The input is a deck (up to the first line
// "%%"), written as main.k of a scratch folder beside an include inc.k, then
// a script: each byte chooses an action, the bytes after it its numbers and
// texts. Actions open the deck, edit it by a range with text from the input,
// send any request at any position, send bytes that may be no JSON at all,
// read the changed models, and shut down. Every message the server sends
// must be JSON-RPC; nothing may crash or leak, and everything is freed
// before the next input.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "../lsp/server.h"
#include "../lsp/uri.h"
#include "../model/card.h"

using namespace abimport;
using nlohmann::json;

namespace {

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "lsp_fuzzer: %s\n", what);
    std::abort();
}

char scratch[32] = "/dev/shm/abimport-lsp-XXXXXX";

void removeScratch() {
    std::remove((std::string(scratch) + "/main.k").c_str());
    std::remove((std::string(scratch) + "/inc.k").c_str());
    rmdir(scratch);
}

const std::string& scratchFolder() {
    static const std::string folder = [] {
        if (access("/dev/shm", W_OK) != 0)
            std::snprintf(scratch, sizeof scratch, "/tmp/abimport-lsp-XXXXXX");
        require(mkdtemp(scratch) != nullptr, "cannot make a scratch folder");
        std::atexit(removeScratch);
        return std::string(scratch);
    }();
    return folder;
}

void writeFile(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    require(file && std::fwrite(text.data(), 1, text.size(), file) == text.size() &&
                std::fclose(file) == 0,
            "cannot write a scratch file");
}

// A message the server sends: a reply with a result or an error, or a
// notification with a method.
void checkSent(const json& message) {
    require(message.is_object() && message.value("jsonrpc", "") == "2.0", "no JSON-RPC message");
    const bool reply =
        message.contains("id") && (message.contains("result") || message.contains("error"));
    require(reply || message.contains("method"),
            "a message that is neither reply nor notification");
    (void)message.dump(-1, ' ', false, json::error_handler_t::replace);
}

json positionFrom(FuzzedDataProvider& input) {
    return {{"line", input.ConsumeIntegralInRange<int>(-1, 40)},
            {"character", input.ConsumeIntegralInRange<int>(-1, 140)}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ABImport registry = [] {
        ABImport r;
        r.initABALETypesAndFunctions();
        return r;
    }();
    Card::contFlag = Card::kKeepNames | Card::kBuildCards | Card::kReportIds;
    const std::string all(reinterpret_cast<const char*>(data), size);
    const size_t split = all.find("\n%%\n");
    const std::string deck = all.substr(0, split);
    FuzzedDataProvider input(data + (split == std::string::npos ? size : split + 4),
                             split == std::string::npos ? 0 : size - split - 4);
    const std::string main = scratchFolder() + "/main.k";
    writeFile(main, deck);
    writeFile(scratchFolder() + "/inc.k", "*AIRBAG_INTERACTION\n1,2,1.5,1.0,10,20,0\n");
    const std::string uri = lsp::uriOfPath(main);

    lsp::LanguageServer server(registry, checkSent);
    auto send = [&](const std::string& method, json params, bool request) {
        json message = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
        if (request) message["id"] = 1;
        // A text that is no UTF-8 cannot be JSON: its bad bytes go as U+FFFD.
        server.handle(message.dump(-1, ' ', false, json::error_handler_t::replace));
    };
    send("initialize",
         {{"rootUri", lsp::uriOfPath(scratchFolder())}, {"capabilities", json::object()}}, true);
    static const char* const kRequests[] = {
        "textDocument/hover",          "textDocument/definition", "textDocument/references",
        "textDocument/documentSymbol", "textDocument/formatting", "textDocument/rangeFormatting",
        "textDocument/codeAction",     "textDocument/completion", "workspace/symbol"};
    for (int step = 0; step < 24 && input.remaining_bytes() > 0 && !server.exited(); ++step) {
        const json document = {{"uri", uri}};
        switch (input.ConsumeIntegralInRange<int>(0, 6)) {
            case 0:
                send("textDocument/didOpen",
                     {{"textDocument", {{"uri", uri}, {"version", 1}, {"text", deck}}}}, false);
                break;
            case 1: {
                const json range = {{"start", positionFrom(input)}, {"end", positionFrom(input)}};
                json change = {{"textDocument", document}};
                change["contentChanges"] = json::array(
                    {{{"range", range}, {"text", input.ConsumeRandomLengthString(80)}}});
                server.handle(json({{"jsonrpc", "2.0"},
                                    {"method", "textDocument/didChange"},
                                    {"params", change}})
                                  .dump(-1, ' ', false, json::error_handler_t::replace));
                break;
            }
            case 2: {
                const char* method = kRequests[input.ConsumeIntegralInRange<size_t>(0, 8)];
                json params = {{"textDocument", document}, {"position", positionFrom(input)}};
                params["range"] = {{"start", positionFrom(input)}, {"end", positionFrom(input)}};
                params["context"] = {{"includeDeclaration", input.ConsumeBool()}};
                params["query"] = input.ConsumeRandomLengthString(8);
                send(method, params, true);
                break;
            }
            case 3: server.handle(input.ConsumeRandomLengthString(200)); break;
            case 4: server.doPendingWork(); break;
            case 5: send("textDocument/didSave", {{"textDocument", document}}, false); break;
            case 6:
                if (input.ConsumeBool())
                    send("shutdown", nullptr, true);
                else
                    send("textDocument/didClose", {{"textDocument", document}}, false);
                break;
        }
    }
    server.doPendingWork();
    return 0;
}
