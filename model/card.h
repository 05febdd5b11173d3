// A card: one data line of a keyword as a named, ordered list of typed values.
#pragma once

#include <string>
#include <vector>

#include "data.h"
#include "object.h"

class ABIMPORT_API Card : public Object {
public:
    Card() = default;
    // Deletes every value the card holds.
    ~Card() override;

    // Writes nothing: a card's text is more than one scratch buffer.
    void tostring(char* out) override;
    // Appends the card's text: a "$" line of field names (only when names were
    // kept) and a line of the values, each right-aligned in its field width.
    void tostring(std::string& out) override;

    // Word-list form: word i becomes field i, by types[i]; every value is 10
    // columns wide. Empty words record names[i] in emptyFieldNames.
    void addFields(unsigned& count, unsigned* types, const char** names, char** words);
    // Raw-line form: the line is cut into fields of the given widths, or into
    // comma-separated words when it holds a comma. The line may be modified.
    void addFields(unsigned& count, unsigned* types, unsigned* widths, const char** names,
                   char* line);

    // Appends a blank placeholder of the given width, named by the process-wide
    // placeholder name when field names are kept. The int argument is unused.
    void addEmptyField(int, unsigned width);

    // Flag word owned by the host: 0x2 keep field names, 0x4 build cards,
    // 0x10 report ID-bearing fields. Defined by the host, never written here.
    static unsigned contFlag;

    static constexpr unsigned kKeepNames = 0x2;
    static constexpr unsigned kBuildCards = 0x4;
    static constexpr unsigned kReportIds = 0x10;

    std::string name;
    std::vector<std::string> fieldNames;
    std::vector<std::string> emptyFieldNames;
    std::vector<Data*> fields;

private:
    // Converts text by a requested type code and appends it; codes without a
    // value class leave no trace.
    void addConverted(unsigned code, unsigned width, const char* fieldName, const char* text);
    void addValue(Data* value, const char* fieldName);
    // Makes room for count more values (and names, when they are kept), so
    // that filling a card allocates each list once.
    void reserveFields(size_t count);
};
