// The language server: positions as the protocol counts them, the framing,
// the documents kept in step with edits, and `abimport lsp` spoken to as an
// editor speaks to it: life cycle and errors, diagnostics of a model over
// several files with unsaved buffers, hover, definitions, references,
// symbols, formatting and completion.
#include <fcntl.h>

#include "../lsp/documents.h"
#include "../lsp/largetext.h"
#include "../lsp/positions.h"
#include "lspclient.h"
#include "modeltrace.h"

using namespace abimport;
using namespace abimport::lsp;
using lsptest::json;
using lsptest::LspClient;

namespace {

const std::string kTool = ABIMPORT_CLI_PATH;
const std::string kInteraction = "*AIRBAG_INTERACTION\n";
const std::string kCard = "         1         2       1.5       1.0        10        20         0";

// A diagnostic as "LINE:FIRST-LAST CODE" in the protocol's 0-based counts.
std::vector<std::string> shown(const json& diagnostics) {
    std::vector<std::string> out;
    for (const json& d : diagnostics) {
        const json& r = d["range"];
        out.push_back(std::to_string(r["start"]["line"].get<int>()) + ":" +
                      std::to_string(r["start"]["character"].get<int>()) + "-" +
                      std::to_string(r["end"]["character"].get<int>()) + " " +
                      d["code"].get<std::string>());
    }
    return out;
}

json at(const std::string& path, int line, int character) {
    return {{"textDocument", {{"uri", uriOfPath(path)}}},
            {"position", {{"line", line}, {"character", character}}}};
}

// A place as "FILE:LINE:CHARACTER", the file relative to the folder.
std::string placeOf(const ModelFolder& folder, const json& location) {
    return folder.relative(location["uri"].get<std::string>().substr(7)) + ":" +
           std::to_string(location["range"]["start"]["line"].get<int>()) + ":" +
           std::to_string(location["range"]["start"]["character"].get<int>());
}

// The references found from a position, the declaration first.
std::vector<std::string> references(LspClient& client, const ModelFolder& folder, json params) {
    params["context"] = {{"includeDeclaration", true}};
    std::vector<std::string> places;
    const json reply = client.request("textDocument/references", params);
    for (const json& place : reply["result"]) places.push_back(placeOf(folder, place));
    return places;
}

}  // namespace

// UTF-16 units as the protocol counts them; each byte that is no part of a
// valid UTF-8 sequence counts one unit; a position inside a character
// stands before it.
TEST(LspPositions, CountUtf16UnitsOfBytes) {
    struct Case {
        std::string line;
        size_t byteColumn, units;
    };
    const Case cases[] = {
        {"$ plain", 7, 7},
        {"$ \xC3\xA9t\xC3\xA9", 7, 5},   // é: 2 bytes, 1 unit
        {"$ \xE2\x82\xAC x", 6, 4},      // €: 3 bytes, 1 unit
        {"$ \xF0\x9F\x98\x80 x", 7, 5},  // past U+FFFF: 4 bytes, 2 units
        {"$ \xFF\xFE x", 5, 5},          // invalid bytes: one unit each
        {"$ \xE2\x82 x", 5, 5},          // a sequence cut short
        {"$ \xC0\xAF x", 5, 5},          // an overlong form
        {"$ \xED\xA0\x80 x", 6, 6},      // an encoded surrogate
        {"$ \xF4\x90\x80\x80", 6, 6},    // past U+10FFFF
        {"short", 99, 5},                // clamped to the line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(unitsBefore(c.line, c.byteColumn, PositionEncoding::Utf16), c.units);
        EXPECT_EQ(byteColumnOf(c.line, c.units, PositionEncoding::Utf16),
                  std::min(c.byteColumn, c.line.size()));
        EXPECT_EQ(unitsBefore(c.line, c.byteColumn, PositionEncoding::Utf8),
                  std::min(c.byteColumn, c.line.size()));
    }
    // The second unit of a surrogate pair stands before its character.
    EXPECT_EQ(byteColumnOf("\xF0\x9F\x98\x80x", 1, PositionEncoding::Utf16), 0u);
    EXPECT_EQ(byteColumnOf("\xF0\x9F\x98\x80x", 2, PositionEncoding::Utf16), 4u);
    EXPECT_EQ(unitsBefore("\xF0\x9F\x98\x80x", 4, PositionEncoding::Utf32), 1u);
}

// Edits by range, lines ended by LF or CRLF (the CR belongs to the line
// end), characters of several bytes.
TEST(LspDocuments, FollowEditsByRange) {
    TextDocument document(
        "a\xC3\xA9"
        "c\r\nline two\nend");
    EXPECT_EQ(document.lineCount(), 3u);
    EXPECT_EQ(document.line(0),
              "a\xC3\xA9"
              "c");
    document.replace({{0, 2}, {0, 3}}, "XY", PositionEncoding::Utf16);  // after é, the c
    EXPECT_EQ(document.line(0), "a\xC3\xA9XY");
    document.replace({{0, 99}, {1, 4}}, "", PositionEncoding::Utf16);  // joins at the line end
    EXPECT_EQ(document.text(), "a\xC3\xA9XY two\nend");
    document.replace({{1, 3}, {1, 3}}, "\nnew", PositionEncoding::Utf16);
    EXPECT_EQ(document.lineCount(), 3u);
    EXPECT_EQ(document.line(2), "new");
    EXPECT_EQ(document.positionOf(0, 3, PositionEncoding::Utf16).character, 2u);
    // Lines kept in step with the text through many edits, as if indexed anew.
    unsigned seed = 7;
    auto next = [&seed](size_t below) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<size_t>(seed >> 8) % below;
    };
    const char* const kTexts[] = {"", "x", "\n", "ab\ncd", "\r\n", "\n\n"};
    for (int i = 0; i < 500; ++i) {
        const Position a{next(document.lineCount() + 1), next(8)};
        const Position b{next(document.lineCount() + 1), next(8)};
        document.replace({a, b}, kTexts[next(6)], PositionEncoding::Utf16);
        const TextDocument fresh(document.text());
        ASSERT_EQ(document.lineCount(), fresh.lineCount()) << i;
        for (size_t n = 0; n < fresh.lineCount(); ++n) ASSERT_EQ(document.line(n), fresh.line(n));
    }
}

// Headers in any case and order, a body in pieces, a bad length skipped and
// reported, the end of the input inside a message.
TEST(LspFraming, ReadsMessagesAsTheHeadersSay) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    MessageChannel channel(fds[0], -1);
    const std::string input =
        "Content-Type: application/vscode-jsonrpc; charset=utf-8\r\ncontent-length: 2\r\n\r\n{}"
        "Content-Length: many\r\n\r\n"
        "Content-Length: 7\r\n\r\n[1,2,3]"
        "Content-Length: 10\r\n\r\n{\"a\"";
    ASSERT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(fds[1]);
    std::string body, error;
    EXPECT_EQ(channel.next(body, 1000, error), MessageChannel::Read::Message);
    EXPECT_EQ(body, "{}");
    EXPECT_EQ(channel.next(body, 1000, error), MessageChannel::Read::Malformed);
    EXPECT_EQ(error, "Content-Length 'many' is no byte count");
    EXPECT_EQ(channel.next(body, 1000, error), MessageChannel::Read::Message);
    EXPECT_EQ(body, "[1,2,3]");
    EXPECT_EQ(channel.next(body, 1000, error), MessageChannel::Read::Closed);
    close(fds[0]);
}

// A large text is taken out of its message decoded exactly as the JSON
// parser decodes it, and put back where it stood.
TEST(LspLargeText, TakenOutWholeAndPutBack) {
    // The text as JSON writes it: escapes of every kind, a pair of surrogates.
    const std::string text =
        R"(*KEYWORD\n$ \"quoted\" back\\slash\ttab \u00e9 \ud83d\ude00 \/ end)";
    const std::string message =
        "{\"params\": {\"text\": \"short\", \"textDocument\": {\"uri\": "
        "\"file:///x.k\", \"text\" : \"" +
        text + "\"}}, \"id\": 3}";
    std::string body = message, rest;
    ASSERT_TRUE(takeLargeText(body, rest, 10));
    json parsed = json::parse(rest);
    EXPECT_EQ(parsed["params"]["text"], "short");
    putBackText(parsed, std::move(body));
    EXPECT_EQ(parsed, json::parse(message));
    for (const char* bad : {"\\x", "\\ud83d alone", "\\u12", "raw\ttab"}) {
        std::string broken = "{\"text\": \"0123456789" + std::string(bad) + "\"}";
        const std::string before = broken;
        EXPECT_FALSE(takeLargeText(broken, rest, 5)) << bad;
        EXPECT_EQ(broken, before);
    }
}

// Errors are replies, never the end of the server; shutdown and exit as the
// protocol says.
TEST(LspServer, AnswersBadRequestsWithErrors) {
    LspClient client(kTool);
    EXPECT_EQ(client.request("textDocument/hover", json::object())["error"]["code"], -32002);
    const json init = client.initialize("/tmp");
    EXPECT_EQ(init["result"]["capabilities"]["positionEncoding"], "utf-16");
    EXPECT_EQ(init["result"]["serverInfo"]["name"], "abimport");
    client.sendRaw("Content-Length: 5\r\n\r\n{nope");
    EXPECT_EQ(client.replyTo(nullptr)["error"]["code"], -32700);
    const std::pair<json, int> cases[] = {
        {client.request("no/such/method"), -32601},
        {client.request("textDocument/hover", {{"textDocument", 5}}), -32602},
        {client.request("textDocument/hover", at("/x.k", -1, 0)), -32602},
        {client.request("textDocument/definition", {{"textDocument", {{"uri", "http://host/x.k"}}},
                                                    {"position", {{"line", 0}, {"character", 0}}}}),
         -32602},
        {client.request("initialize", {{"capabilities", json::object()}}), -32600},
    };
    for (const auto& [reply, code] : cases) EXPECT_EQ(reply["error"]["code"], code) << reply;
    // A deck that does not exist is a hover of nothing, not an error.
    EXPECT_TRUE(
        client.request("textDocument/hover", at("/no/such/deck.k", 0, 0))["result"].is_null());
    EXPECT_EQ(client.request("shutdown")["result"], nullptr);
    EXPECT_EQ(client.request("textDocument/hover", at("/x.k", 0, 0))["error"]["code"], -32600);
    EXPECT_EQ(client.finish(false), 0);

    LspClient impatient(kTool);
    impatient.initialize("/tmp");
    EXPECT_EQ(impatient.finish(false), 1);  // exit without shutdown
}

// The diagnostics of a model are published for each of its files, an
// include's problems in that file, at the line and columns of the field,
// with the warning kind as code; the open buffers count, unsaved.
TEST(LspServer, PublishesTheDiagnosticsOfEveryFileOfTheModel) {
    ModelFolder folder;
    const std::string mainText = "*INCLUDE\nparts.k\n" + kInteraction +
                                 "         1         2     1.5x        1.0        10\n" +
                                 kInteraction + "1,,2,1.5,1.0,11\n*AIRBAG_INTERACTON\n";
    folder.write("main.k", mainText);
    folder.write("parts.k", "*PART\nheading\n        10\n*NODE\n       5\n       5\n");
    LspClient client(kTool);
    client.initialize(folder.path(""));
    client.open(folder.path("main.k"), mainText);
    EXPECT_EQ(shown(client.diagnostics(folder.path("main.k"))),
              (std::vector<std::string>{"3:20-30 not-a-number", "5:1-3 empty-comma-word",
                                        "5:0-15 stale-word", "6:0-18 unknown-keyword",
                                        "5:13-15 undefined-reference"}));
    EXPECT_EQ(shown(client.diagnostics(folder.path("parts.k"))),
              (std::vector<std::string>{"5:7-8 duplicate-id"}));

    // An unsaved change to the include defines part 11 and drops the
    // duplicate: both files are published again from the buffers.
    const std::string partsText = "*PART\nheading\n        10\nheading\n        11\n";
    client.open(folder.path("parts.k"), partsText);
    EXPECT_EQ(shown(client.diagnostics(folder.path("parts.k"))), std::vector<std::string>{});
    EXPECT_EQ(shown(client.diagnostics(folder.path("main.k"))).size(), 4u);

    // An edit by range in the main deck: the bad number goes.
    const json range = {{"start", {{"line", 3}, {"character", 28}}},
                        {"end", {{"line", 3}, {"character", 29}}}};
    json change = {{"textDocument", {{"uri", uriOfPath(folder.path("main.k"))}, {"version", 2}}}};
    change["contentChanges"] = json::array({{{"range", range}, {"text", " "}}});
    client.notify("textDocument/didChange", change);
    EXPECT_EQ(shown(client.diagnostics(folder.path("main.k"))),
              (std::vector<std::string>{"5:1-3 empty-comma-word", "5:0-15 stale-word",
                                        "6:0-18 unknown-keyword"}));
    EXPECT_EQ(client.finish(), 0);
}

// A main deck that cannot be read is a diagnostic of that file.
TEST(LspServer, ReportsAnUnreadableDeck) {
    ModelFolder folder;
    LspClient client(kTool);
    client.initialize(folder.path(""));
    const std::string missing = folder.path("gone.k");
    client.open(missing, "*KEYWORD\n");
    client.notify("textDocument/didClose", {{"textDocument", {{"uri", uriOfPath(missing)}}}});
    const json diagnostics = client.diagnostics(missing);
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_EQ(diagnostics[0]["code"], "unreadable");
    EXPECT_EQ(diagnostics[0]["severity"], 1);
    EXPECT_NE(diagnostics[0]["message"].get<std::string>().find("No such file"), std::string::npos);
}

// Hover shows what the library reads; definitions and references go from
// an ID to where the model defines it and back, from an include to its file.
TEST(LspServer, HoverDefinitionsAndReferences) {
    ModelFolder folder;
    const std::string mainText = "*INCLUDE\nparts.k\n" + kInteraction +
                                 "         1         2     1.5-3       1.0        10\n" +
                                 kInteraction + "3,4,1.5,1.0,10\n";
    folder.write("main.k", mainText);
    folder.write("parts.k", "*PART\nheading\n        10\n");
    LspClient client(kTool);
    client.initialize(folder.path(""));
    client.open(folder.path("main.k"), mainText);
    const std::string main = folder.path("main.k");

    const json area = client.request("textDocument/hover", at(main, 3, 25))["result"];
    EXPECT_EQ(area["contents"]["value"],
              "**AIRBAG_INTERACTION** card **Interaction** field **AREA** (columns 21-30)\n\n"
              "`1.5-3` reads as 0.0015");
    EXPECT_EQ(area["range"]["start"]["character"], 20);
    const json pid = client.request("textDocument/hover", at(main, 5, 13))["result"];
    EXPECT_EQ(pid["contents"]["value"],
              "**AIRBAG_INTERACTION** card **Interaction** field **PID** (word 5 of the comma "
              "line)\n\n`10` reads as 10\n\npart 10, defined at parts.k:3");
    const json keyword = client.request("textDocument/hover", at(main, 2, 3))["result"];
    EXPECT_EQ(keyword["contents"]["value"], "**AIRBAG_INTERACTION**\n\ncards:\n- Interaction");
    EXPECT_TRUE(client.request("textDocument/hover", at(main, 3, 75))["result"].is_null());

    const json defined = client.request("textDocument/definition", at(main, 3, 45))["result"];
    EXPECT_EQ(defined["uri"], uriOfPath(folder.path("parts.k")));
    EXPECT_EQ(defined["range"]["start"], json({{"line", 2}, {"character", 8}}));
    EXPECT_EQ(defined["range"]["end"], json({{"line", 2}, {"character", 10}}));
    const json file = client.request("textDocument/definition", at(main, 1, 2))["result"];
    EXPECT_EQ(file["uri"], uriOfPath(folder.path("parts.k")));

    // The same references from a reference and from the defining line.
    const std::vector<std::string> expected = {"parts.k:2:8", "main.k:3:40", "main.k:5:12"};
    EXPECT_EQ(references(client, folder, at(main, 3, 45)), expected);
    EXPECT_EQ(references(client, folder, at(folder.path("parts.k"), 2, 9)), expected);
    json params = at(folder.path("parts.k"), 2, 9);
    params["context"] = {{"includeDeclaration", false}};
    EXPECT_EQ(client.request("textDocument/references", params)["result"].size(), 2u);
}

// The outline of a file and the include tree; formatting aligns what reads
// back the same and says which lines it leaves; completion of titles.
TEST(LspServer, SymbolsFormattingAndCompletion) {
    ModelFolder folder;
    const std::string mainText =
        "*KEYWORD\n*INCLUDE\nsub/a.k\n" + kInteraction + "1,2,1.5-3,1.0,10,20,0\n" + kInteraction +
        "         1         2      1.5x\n" + kInteraction + "         1         2      1.50\n";
    folder.write("main.k", mainText);
    folder.write("sub/a.k", "*AIRBAG_REFERENCE_GEOMETRY\n1,0.0,0.0,0.0\n2,0.0,0.0,0.0\n");
    LspClient client(kTool);
    client.initialize(folder.path(""));
    const std::string main = folder.path("main.k");
    client.open(main, mainText);
    const json textDocument = {{"textDocument", {{"uri", uriOfPath(main)}}}};

    const json outline = client.request("textDocument/documentSymbol", textDocument)["result"];
    ASSERT_EQ(outline.size(), 5u);
    EXPECT_EQ(outline[1]["name"], "*INCLUDE");
    EXPECT_EQ(outline[2]["children"][0]["name"], "Interaction");
    const json nodes =
        client.request("textDocument/documentSymbol",
                       {{"textDocument", {{"uri", uriOfPath(folder.path("sub/a.k"))}}}})["result"];
    EXPECT_EQ(nodes[0]["children"][0]["detail"], "lines 2-3 (2 cards)");
    const json files = client.request("workspace/symbol", {{"query", "a.k"}})["result"];
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0]["name"], "sub/a.k");
    EXPECT_EQ(files[0]["containerName"], "main.k:2");

    json params = textDocument;
    params["options"] = {{"tabSize", 4}, {"insertSpaces", true}};
    const json edits = client.request("textDocument/formatting", params)["result"];
    ASSERT_EQ(edits.size(), 2u);
    EXPECT_EQ(edits[0]["range"]["start"]["line"], 4);
    EXPECT_EQ(edits[0]["newText"],
              "         1         2    0.0015       1.0        10        20         0");
    EXPECT_EQ(edits[1]["range"]["start"]["line"], 8);
    EXPECT_EQ(edits[1]["newText"], "         1         2       1.5");
    EXPECT_EQ(client.notifications.back()["method"], "window/showMessage");
    EXPECT_EQ(client.notifications.back()["params"]["message"],
              "1 line of main.k left as it is: line 7: AREA: '1.5x' is not read as written");

    params = textDocument;
    params["range"] = {{"start", {{"line", 8}, {"character", 0}}},
                       {"end", {{"line", 8}, {"character", 3}}}};
    params["context"] = {{"diagnostics", json::array()}};
    const json actions = client.request("textDocument/codeAction", params)["result"];
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0]["title"], "Align this card");

    json change = {{"textDocument", {{"uri", uriOfPath(main)}, {"version", 2}}}};
    change["contentChanges"] = json::array({{{"text", "*AIRBAG_R\n"}}});
    client.notify("textDocument/didChange", change);
    const json items = client.request("textDocument/completion", at(main, 0, 9))["result"];
    std::vector<std::string> labels;
    for (const json& item : items) labels.push_back(item["label"]);
    EXPECT_NE(std::find(labels.begin(), labels.end(), "AIRBAG_REFERENCE_GEOMETRY"), labels.end());
    EXPECT_EQ(items[0]["textEdit"]["range"]["start"]["character"], 1);
    EXPECT_EQ(client.request("textDocument/completion", at(main, 1, 0))["result"], json::array());
}

// A file belongs to the main deck that includes it, found from the workspace
// folder; the setting mainDeck names the main deck instead.
TEST(LspServer, FindsTheMainDeckOfAFile) {
    ModelFolder folder;
    folder.write("a.k", "*INCLUDE\nparts.k\n");
    folder.write("b.k", "*INCLUDE\nparts.k\n" + kInteraction + kCard + "\n");
    folder.write("parts.k", "*PART\nheading\n        11\n");
    for (const auto& [setting, undefined] :
         {std::pair<json, size_t>{json::object(), 0}, {{{"mainDeck", "b.k"}}, 1}}) {
        SCOPED_TRACE(setting.dump());
        LspClient client(kTool);
        client.initialize(folder.path(""), setting);
        client.open(folder.path("parts.k"), "*PART\nheading\n        11\n");
        // b.k refers to part 10, which only its own model leaves undefined.
        EXPECT_EQ(client.diagnostics(folder.path("b.k")).size(), undefined);
        EXPECT_EQ(client.diagnostics(folder.path("parts.k")), json::array());
    }
    // An include that only an unsaved buffer holds counts too.
    folder.write("c.k", "*KEYWORD\n");
    folder.write("extra.k", "*KEYWORD\n");
    LspClient client(kTool);
    client.initialize(folder.path(""));
    client.open(folder.path("c.k"), "*INCLUDE\nextra.k\n");
    client.open(folder.path("extra.k"), "*KEYWORD\n");
    const json files = client.request("workspace/symbol", {{"query", "extra"}})["result"];
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].value("containerName", ""), "c.k:1");
}

// Every kind of warning reaches the editor as a diagnostic of its file, at
// its line and columns in UTF-16 units (the é before a field is one unit).
TEST(LspServer, PublishesEachWarningKind) {
    const std::string ale =
        "*AIRBAG_ALE\n       100         1\n     293.0\n         4\n        30\n"
        "        10        10         0\n       0.0                 0.0"
        "         3         0         0\n";
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"*AIRBAG_REFERENCE_GEOMETRY\n" + std::string(130, '1') + "\n*END\n",
         {"1:56-130 ignored-text", "1:127-130 long-line"}},
        {kInteraction + kCard + "  extra\n", {"1:72-77 ignored-text"}},
        {kInteraction + "1,,2,1.5,1.0,10,20,0\n", {"1:1-3 empty-comma-word"}},
        {kInteraction + "   \xC3\xA9    1\n", {"1:0-9 not-a-number"}},
        {kInteraction + "1,2,1.5\n", {"1:0-7 stale-word"}},
        {ale + "*END\n", {"6:30-40 short-count"}},
        {kInteraction + "$ nothing\n", {"1:0-9 missing-card"}},
        {kInteraction + "         1\t        2\n", {"1:10-11 control-character"}},
        {kInteraction + "   \n", {"1:0-3 blank-line"}},
        {"* AIRBAG_ALE\n", {"0:0-1 empty-title"}},
        {"*INCLUDE\nnowhere.k\n", {"0:0-8 include-not-found"}},
        {"*INCLUDE_TRANSFORM\nother.k\n", {"0:0-18 include-transform"}},
        {"*INCLUDE\nself.k\n", {"0:0-8 include-cycle"}},
        {"*INCLUDE\nother.k\n*INCLUDE\nother.k\n", {"2:0-8 include-repeated"}},
        {"*PARAMETER\nR a       1.0\nR a       2.0\n", {"2:0-10 parameter-redefined"}},
        {"*PARAMETER_EXPRESSION\nR a       b+1\nR b       a*2\n", {"2:10-13 parameter-cycle"}},
        {"*PARAMETER\nR a       1.0       I b       x\n", {"1:30-31 parameter-error"}},
        {"*PARAMETER_EXPRESSION\nR a       c+1\n", {"1:10-13 undefined-parameter"}},
        // A comma word that took a value stands where it is written, and the
        // words after it too.
        {"*PARAMETER\nR a       2.5\n" + kInteraction + "1,2,&a,x,&none,20,0\n",
         {"3:9-14 undefined-parameter", "3:7-8 not-a-number", "3:9-14 not-a-number"}},
        {"*PARAMETER_EXPRESSION\nR a       1/3\n" + kInteraction +
             "         1         2        &a\n",
         {"3:20-30 parameter-inexact"}},
    };
    ModelFolder folder;
    folder.write("other.k", "*KEYWORD\n");
    LspClient client(kTool);
    client.initialize(folder.path(""));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string name = i == 12 ? "self.k" : "deck" + std::to_string(i) + ".k";
        folder.write(name, cases[i].first);
        client.open(folder.path(name), cases[i].first);
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string name = i == 12 ? "self.k" : "deck" + std::to_string(i) + ".k";
        SCOPED_TRACE(cases[i].first);
        EXPECT_EQ(shown(client.diagnostics(folder.path(name))), cases[i].second);
    }
}

// A field that names a parameter reads its value; hover, definition and
// references go between the field, the *PARAMETER line and the expressions
// that use it; '&' completes the parameters a field takes; formatting keeps
// the name. A set ID goes to its set by the kind its type field chooses.
TEST(LspServer, ParametersAndSets) {
    ModelFolder folder;
    const std::string mainText =
        "*PARAMETER\nR area    2.5       I pid     10\nC label   bag\n"
        "*PARAMETER_EXPRESSION\nR twice   2*area\n" +
        kInteraction + "1,2,&area,1.0,&pid,20,0\n" + kInteraction +
        "         1         2     &area       1.0         &\n"
        "*SET_SEGMENT\n       200\n*SET_PART\n       200\n"
        "*AIRBAG_ALE\n       200         0\n";
    folder.write("main.k", mainText);
    LspClient client(kTool);
    client.initialize(folder.path(""));
    const std::string main = folder.path("main.k");
    client.open(main, mainText);

    const json area = client.request("textDocument/hover", at(main, 6, 5))["result"];
    EXPECT_EQ(area["contents"]["value"],
              "**AIRBAG_INTERACTION** card **Interaction** field **AREA** (word 3 of the comma "
              "line)\n\n`&area` reads as 2.5\n\nparameter area = 2.5, defined at main.k:2");
    const json defined = client.request("textDocument/hover", at(main, 1, 3))["result"];
    EXPECT_EQ(defined["contents"]["value"],
              "parameter area = 2.5, defined at main.k:2\n\nits value is taken by 2 fields of the "
              "airbag keywords");
    const json definition = client.request("textDocument/definition", at(main, 8, 27))["result"];
    EXPECT_EQ(placeOf(folder, definition), "main.k:1:2");
    EXPECT_EQ(definition["range"]["end"]["character"], 6);
    const std::vector<std::string> uses = {"main.k:1:2", "main.k:4:12", "main.k:6:4",
                                           "main.k:8:25"};
    EXPECT_EQ(references(client, folder, at(main, 6, 5)), uses);
    EXPECT_EQ(references(client, folder, at(main, 1, 3)), uses);

    // PID is a number field: the real and the integer, not the text.
    std::vector<std::string> labels;
    const json items = client.request("textDocument/completion", at(main, 8, 50))["result"];
    for (const json& item : items) labels.push_back(item["label"]);
    EXPECT_EQ(labels, (std::vector<std::string>{"area", "pid", "twice"}));
    EXPECT_EQ(client.request("textDocument/completion", at(main, 8, 8))["result"], json::array());

    json params = {{"textDocument", {{"uri", uriOfPath(main)}}}};
    params["options"] = {{"tabSize", 4}, {"insertSpaces", true}};
    const json edits = client.request("textDocument/formatting", params)["result"];
    ASSERT_FALSE(edits.empty());
    EXPECT_EQ(edits[0]["newText"],
              "         1         2     &area       1.0      &pid        20         0");

    // SIDTYP 0: SID names a segment set, not the part set of the same ID.
    EXPECT_EQ(placeOf(folder, client.request("textDocument/definition", at(main, 14, 8))["result"]),
              "main.k:10:7");
    EXPECT_EQ(references(client, folder, at(main, 10, 8)),
              (std::vector<std::string>{"main.k:10:7", "main.k:14:0"}));
}
