#include "deckreplay.h"

#include "../../output/jsonevents.h"
#include "../../output/writeback.h"

namespace abimport {

void appendCallEvent(std::string& out, const LoggedCall& call) {
    const CallTable& table = *call.table;
    auto wordOf = [&](unsigned k) { return call.words[k]; };
    if (table.kind == HostCallKind::IdReport) {
        appendIdReportEvent(out, table.count, table.idPos.data(), table.idCode1.data(),
                            table.idCode2.data(), wordOf, call.line);
    } else {
        appendAirbagCallEvent(out, table.kind, table.count, wordOf, call.line);
    }
}

std::string deckJsonLines(const DeckData& deck) {
    std::string out;
    std::string cardText;  // scratch for each card's text
    CallLog::Position next;
    LoggedCall call;
    size_t written = 0;
    // The host calls that arrived before the event at hand.
    auto callsUpTo = [&](size_t count) {
        for (; written < count; ++written) {
            deck.calls.read(next, call);
            appendCallEvent(out, call);
            out += '\n';
        }
    };
    for (const DeckEvent& event : deck.events) {
        callsUpTo(event.callsBefore);
        switch (event.kind) {
            case DeckEvent::Include: {
                const DeckInclude& include = deck.includes[event.index];
                appendIncludeEvent(out, *include.file, include.line, *include.path);
                out += '\n';
                break;
            }
            case DeckEvent::KeywordStarts: {
                const DeckKeyword& keyword = deck.keywords[event.index];
                appendKeywordEvent(out, *keyword.keyword, *keyword.file, keyword.line);
                out += '\n';
                break;
            }
            case DeckEvent::KeywordEnds: {
                const DeckKeyword& keyword = deck.keywords[event.index];
                for (size_t i = keyword.firstCard; i < keyword.firstCard + keyword.cardCount; ++i) {
                    appendCardEvent(out, *deck.cards[i], deck.cardLines.at(i), cardText,
                                    parametersOf(keyword.parameters, i - keyword.firstCard));
                    out += '\n';
                }
                break;
            }
            case DeckEvent::Warning:
                appendWarningEvent(out, deck.warnings[event.index]);
                out += '\n';
                break;
        }
    }
    callsUpTo(deck.calls.size());
    return out;
}

std::string deckWriteBack(const DeckData& deck) {
    std::string out;
    for (const DeckKeyword& keyword : deck.keywords) {
        appendKeywordHeader(out, *keyword.file, keyword.line, keyword.keyword->title);
        appendCards(out, deck.cards, keyword.firstCard, 0, keyword.cardCount, keyword.gaps,
                    nullptr);
    }
    out += kDeckEndText;
    return out;
}

}  // namespace abimport
