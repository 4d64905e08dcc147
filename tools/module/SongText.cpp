#include "SongText.h"

#include "Notes.h"

#include <cctype>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace {

struct Line {
    int number = 0;
    bool indented = false;
    std::vector<std::string> words;
};

std::vector<std::string> splitWords(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    std::string word;
    while (stream >> word) {
        words.push_back(word);
    }
    return words;
}

std::vector<Line> readLines(std::istream& text) {
    std::vector<Line> lines;
    std::string raw;
    int number = 0;
    while (std::getline(text, raw)) {
        ++number;
        // A comment starts with '#' at the start of a line or after a space; C#3 is a note.
        size_t comment = raw.find('#');
        while (comment != std::string::npos && comment > 0 &&
               !std::isspace(static_cast<unsigned char>(raw[comment - 1]))) {
            comment = raw.find('#', comment + 1);
        }
        const std::string content = raw.substr(0, comment);
        Line line{number, !content.empty() && (content[0] == ' ' || content[0] == '\t'), splitWords(content)};
        if (!line.words.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

[[noreturn]] void fail(int line, const std::string& message) {
    throw std::runtime_error("song line " + std::to_string(line) + ": " + message);
}

constexpr size_t ROWS_PER_BAR = 16;

std::string origin(const Cell& cell) {
    return cell.phrase.empty() ? std::string("the channel line")
                               : "phrase " + cell.phrase + " row " + std::to_string(cell.phraseRow);
}

bool isOff(const Cell& cell) { return cell.note < 0 && cell.effect == 0xC && cell.parameter == 0; }

bool hasColon(const Line& line) {
    for (const std::string& word : line.words) {
        if (word.find(':') != std::string::npos) {
            return true;
        }
    }
    return false;
}

class Parser {
public:
    Song song;

    void parse(const std::vector<Line>& lines) {
        for (size_t i = 0; i < lines.size();) {
            const Line& head = lines[i];
            if (head.indented) {
                fail(head.number, "indented line outside a block");
            }
            size_t end = i + 1;
            while (end < lines.size() && lines[end].indented) {
                ++end;
            }
            statement(lines, i, end);
            i = end;
        }
        if (song.orders.empty()) {
            fail(0, "no order list");
        }
    }

private:
    std::map<std::string, std::vector<Cell>> phrases;
    std::map<std::string, int> patternNumbers;
    int currentLine = 0;

    void statement(const std::vector<Line>& lines, size_t begin, size_t end) {
        const Line& head = lines[begin];
        currentLine = head.number;
        const std::string& keyword = head.words[0];
        if (keyword == "title") {
            song.title = head.words.size() > 1 ? head.words[1] : "";
        } else if (keyword == "channels") {
            song.channels = std::stoi(head.words.at(1));
            if (song.channels < MIN_CHANNELS || song.channels > MAX_CHANNELS) {
                fail(head.number, "channels must be 2 to 32");
            }
        } else if (keyword == "inst") {
            instrument(head);
        } else if (keyword == "phrase") {
            if (head.words.size() != 2) {
                fail(head.number, "phrase takes a name");
            }
            std::vector<std::string> tokens;
            for (size_t i = begin + 1; i < end; ++i) {
                tokens.insert(tokens.end(), lines[i].words.begin(), lines[i].words.end());
            }
            std::vector<Cell> cells = expand(tokens);
            for (size_t row = 0; row < cells.size(); ++row) {
                if (cells[row].phrase.empty()) {
                    cells[row].phrase = head.words[1];
                    cells[row].phraseRow = static_cast<int>(row);
                }
            }
            phrases[head.words[1]] = cells;
        } else if (keyword == "pattern") {
            pattern(lines, begin, end);
        } else if (keyword == "order") {
            std::vector<std::string> names(head.words.begin() + 1, head.words.end());
            for (size_t i = begin + 1; i < end; ++i) {
                names.insert(names.end(), lines[i].words.begin(), lines[i].words.end());
            }
            for (const std::string& name : names) {
                auto found = patternNumbers.find(name);
                if (found == patternNumbers.end()) {
                    fail(head.number, "unknown pattern " + name);
                }
                song.orders.push_back(found->second);
            }
        } else {
            fail(head.number, "unknown keyword " + keyword);
        }
    }

    void instrument(const Line& head) {
        if (head.words.size() < 5) {
            fail(head.number, "inst SLOT NAME RECIPE VOLUME [ARGUMENTS]");
        }
        InstrumentSlot slot;
        slot.slot = std::stoi(head.words[1]);
        slot.name = head.words[2];
        slot.recipe = head.words[3];
        slot.volume = std::stoi(head.words[4]);
        slot.arguments.assign(head.words.begin() + 5, head.words.end());
        if (slot.slot < 1 || slot.slot > MAX_SLOTS) {
            fail(head.number, "slot out of range");
        }
        if (slot.volume < 0 || slot.volume > 64) {
            fail(head.number, "volume out of range");
        }
        for (const InstrumentSlot& other : song.instruments) {
            if (other.slot == slot.slot || other.name == slot.name) {
                fail(head.number, "instrument defined twice");
            }
        }
        song.instruments.push_back(slot);
    }

    void pattern(const std::vector<Line>& lines, size_t begin, size_t end) {
        const Line& head = lines[begin];
        if (head.words.size() != 2) {
            fail(head.number, "pattern takes a name");
        }
        if (patternNumbers.count(head.words[1])) {
            fail(head.number, "pattern defined twice");
        }
        Pattern result{head.words[1], std::vector<Cell>(static_cast<size_t>(ROWS_PER_PATTERN * song.channels))};
        std::vector<bool> used(static_cast<size_t>(song.channels), false);
        for (size_t i = begin + 1; i < end;) {
            currentLine = lines[i].number;
            // "CHANNEL [INSTRUMENT]: cells", continued on following lines without a colon.
            std::string text;
            for (const std::string& word : lines[i].words) {
                text += word + " ";
            }
            const size_t colon = text.find(':');
            if (colon == std::string::npos) {
                fail(currentLine, "channel line needs 'CHANNEL [INSTRUMENT]:'");
            }
            const std::vector<std::string> label = splitWords(text.substr(0, colon));
            std::vector<std::string> tokens = splitWords(text.substr(colon + 1));
            for (++i; i < end && !hasColon(lines[i]); ++i) {
                tokens.insert(tokens.end(), lines[i].words.begin(), lines[i].words.end());
            }
            if (label.empty() || label.size() > 2) {
                fail(currentLine, "bad channel label");
            }
            const int channel = std::stoi(label[0]);
            if (channel < 0 || channel >= song.channels) {
                fail(currentLine, "channel out of range");
            }
            if (used[static_cast<size_t>(channel)]) {
                fail(currentLine, "channel written twice");
            }
            used[static_cast<size_t>(channel)] = true;
            const int defaultInstrument = label.size() == 2 ? instrumentNumber(label[1]) : 0;
            const std::vector<Cell> cells = expand(tokens);
            if (cells.size() > ROWS_PER_PATTERN) {
                overflow(channel, cells);
            }
            for (size_t row = 0; row < cells.size(); ++row) {
                Cell cell = cells[row];
                if (cell.note >= 0 && cell.instrument == 0) {
                    cell.instrument = defaultInstrument;
                }
                result.cells[row * static_cast<size_t>(song.channels) + static_cast<size_t>(channel)] = cell;
            }
        }
        patternNumbers[result.name] = static_cast<int>(song.patterns.size());
        song.patterns.push_back(result);
    }

    // A line longer than its pattern would lose its last rows, and with them maybe the "off" that
    // ends a held note: name the first row lost, and the note end if one is among them.
    [[noreturn]] void overflow(int channel, const std::vector<Cell>& cells) {
        size_t lost = ROWS_PER_PATTERN;
        while (lost + 1 < cells.size() && !isOff(cells[lost])) {
            ++lost;
        }
        if (!isOff(cells[lost])) {
            lost = ROWS_PER_PATTERN;
        }
        const std::string row = std::to_string(lost);
        const std::string what = isOff(cells[lost])
                                     ? "the note end ('off') of " + origin(cells[lost]) + " on row " + row
                                     : origin(cells[lost]) + " from row " + row + " on";
        fail(currentLine, "channel " + std::to_string(channel) + " has " + std::to_string(cells.size()) +
                              " rows, more than 64: it would lose " + what);
    }

    int instrumentNumber(const std::string& name) {
        for (const InstrumentSlot& slot : song.instruments) {
            if (slot.name == name) {
                return slot.slot;
            }
        }
        fail(currentLine, "unknown instrument " + name);
    }

    const std::string& instrumentName(int number) const {
        for (const InstrumentSlot& slot : song.instruments) {
            if (slot.slot == number) {
                return slot.name;
            }
        }
        throw std::logic_error("a cell names an instrument slot that was never defined");
    }

    // Tokens: CELL[*N] or PHRASE[@VARIANT][^SEMITONES][%VOLUME][>ROWS][*N]; a cell is
    // NOTE[@INSTRUMENT][/EFFECT][~ROWS] where NOTE is C-1..B-3, "---" (none), "." (empty row) or "off"
    // (volume 0). @ plays each named instrument's variant (lead becomes lead_open), ^ transposes a
    // phrase's notes, % gives its notes without an effect a set-volume effect (two hex digits),
    // > echoes it: every bar late by ROWS rows and silenced on its last row.
    std::vector<Cell> expand(const std::vector<std::string>& tokens) {
        static const std::regex CELL(R"(^(\.|off|---|[A-G][-#][1-3])(@\w+)?(/[0-9A-F]{3})?(~\d+)?(\*\d+)?$)");
        static const std::regex PHRASE(R"(^([a-z]\w*)(@\w+)?(\^[+-]?\d+)?(%[0-9A-F]{2})?(>\d+)?(\*\d+)?$)");
        std::vector<Cell> out;
        std::smatch match;
        for (const std::string& token : tokens) {
            std::vector<Cell> unit;
            std::string repeat;
            if (std::regex_match(token, match, CELL)) {
                Cell cell;
                const std::string note = match[1];
                if (note != "---" && note != "off" && note != ".") {
                    cell.note = parseTrackerNote(note);
                    if (cell.note < 0) {
                        fail(currentLine, "note out of range in " + token);
                    }
                }
                if (note == "off") {
                    cell.effect = 0xC;
                }
                if (match[2].matched) {
                    cell.instrument = instrumentNumber(match[2].str().substr(1));
                }
                if (match[3].matched) {
                    const int value = std::stoi(match[3].str().substr(1), nullptr, 16);
                    cell.effect = value >> 8;
                    cell.parameter = value & 0xFF;
                }
                unit.push_back(cell);
                if (match[4].matched) {
                    unit.resize(static_cast<size_t>(std::stoi(match[4].str().substr(1))));
                }
                repeat = match[5];
            } else if (std::regex_match(token, match, PHRASE)) {
                auto found = phrases.find(match[1]);
                if (found == phrases.end()) {
                    fail(currentLine, "unknown phrase " + match[1].str());
                }
                unit = found->second;
                const int shift = match[3].matched ? std::stoi(match[3].str().substr(1)) : 0;
                for (Cell& cell : unit) {
                    if (match[2].matched && cell.instrument) {
                        cell.instrument =
                            instrumentNumber(instrumentName(cell.instrument) + "_" + match[2].str().substr(1));
                    }
                    if (cell.note < 0) {
                        continue;
                    }
                    cell.note += shift;
                    if (cell.note < 0 || cell.note > 35) {
                        fail(currentLine, "transposed note out of range in " + token);
                    }
                    if (match[4].matched && cell.effect == 0 && cell.parameter == 0) {
                        cell.effect = 0xC;
                        cell.parameter = std::stoi(match[4].str().substr(1), nullptr, 16);
                    }
                }
                if (match[5].matched) {
                    unit = echo(unit, std::stoul(match[5].str().substr(1)), token);
                }
                repeat = match[6];
            } else {
                fail(currentLine, "cannot read '" + token + "'");
            }
            const int count = repeat.empty() ? 1 : std::stoi(repeat.substr(1));
            for (int i = 0; i < count; ++i) {
                out.insert(out.end(), unit.begin(), unit.end());
            }
        }
        return out;
    }

    // The bar's cells `delay` rows late, and an "off" on its last row so that no echoed note sounds
    // across the bar line; what would not fit before that row is left out.
    std::vector<Cell> echo(const std::vector<Cell>& cells, size_t delay, const std::string& token) {
        if (cells.size() % ROWS_PER_BAR || delay < 1 || delay >= ROWS_PER_BAR) {
            fail(currentLine, "an echo needs whole bars and a delay of 1 to 15 rows in " + token);
        }
        std::vector<Cell> out(cells.size());
        for (size_t bar = 0; bar < cells.size(); bar += ROWS_PER_BAR) {
            for (size_t row = 0; row + delay + 1 < ROWS_PER_BAR; ++row) {
                out[bar + row + delay] = cells[bar + row];
            }
            out[bar + ROWS_PER_BAR - 1] = Cell{};
            out[bar + ROWS_PER_BAR - 1].effect = 0xC;
        }
        return out;
    }
};

std::string where(const Pattern& pattern, int channel, int row, const Cell& cell) {
    return "pattern " + pattern.name + " channel " + std::to_string(channel) + " row " + std::to_string(row) + " (" +
           origin(cell) + ")";
}

}  // namespace

Song parseSong(std::istream& text) {
    Parser parser;
    parser.parse(readLines(text));
    return parser.song;
}

void checkNoteEnds(const Song& song, const std::vector<bool>& loops) {
    struct Voice {
        bool looping = false;
        bool audible = false;
        int instrument = 0;
        int rows = 0;
        std::string note;
    };
    std::vector<Voice> voices(static_cast<size_t>(song.channels));
    for (size_t order = 0; order < song.orders.size(); ++order) {
        const Pattern& pattern = song.patterns.at(static_cast<size_t>(song.orders[order]));
        bool breaks = false;
        for (int row = 0; row < ROWS_PER_PATTERN && !breaks; ++row) {
            for (int channel = 0; channel < song.channels; ++channel) {
                const Cell& cell = pattern.cells[static_cast<size_t>(row * song.channels + channel)];
                Voice& voice = voices[static_cast<size_t>(channel)];
                // An instrument number sets the channel's volume back to the sample's own.
                if (cell.instrument) {
                    voice.instrument = cell.instrument;
                    voice.audible = true;
                }
                if (cell.note >= 0) {
                    voice.looping = static_cast<size_t>(voice.instrument) < loops.size() &&
                                    loops[static_cast<size_t>(voice.instrument)];
                    voice.rows = 0;
                    voice.note = where(pattern, channel, row, cell);
                }
                if (cell.effect == 0xC) {
                    voice.audible = cell.parameter > 0;
                }
                breaks |= cell.effect == 0xB || cell.effect == 0xD;
                if (voice.looping && voice.audible && voice.rows > MAX_RING_ROWS) {
                    throw std::runtime_error("the note at " + voice.note + " still sounds " +
                                             std::to_string(voice.rows) + " rows later, at order " +
                                             std::to_string(order) + " row " + std::to_string(row) +
                                             ": end it with 'off'");
                }
                ++voice.rows;
            }
        }
    }
}
