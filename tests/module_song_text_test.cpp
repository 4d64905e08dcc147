// The song compiler refuses texts that would play something other than what is written: a line
// that runs past its pattern, and a held note that nothing ends. It writes as many channels as a
// song asks for, and plays a phrase on instrument variants.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>

#include <libmodplug/modplug.h>

#include "music/ModuleHeader.h"
#include "music/Player.h"
#include "tools/module/ModFile.h"
#include "tools/module/SongText.h"

namespace {

const std::string HEADER =
    "channels 4\n"
    "inst 1 lead lead 60 C5\n"
    "inst 2 pluck pluck 44 C5\n";

Song parse(const std::string& text) {
    std::istringstream stream(HEADER + text);
    return parseSong(stream);
}

// The message parseSong or checkNoteEnds gives, or "" when the text is accepted.
std::string errorOf(const std::function<void()>& compile) {
    try {
        compile();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

const Cell& cellAt(const Song& song, int pattern, int row, int channel) {
    return song.patterns.at(static_cast<size_t>(pattern)).cells.at(static_cast<size_t>(row * song.channels + channel));
}

// Slot 1 (the lead) loops, slot 2 (the pluck) is a one-shot.
const std::vector<bool> LOOPS = {false, true, false};

}  // namespace

TEST(ModuleSongText, ALineLongerThanItsPatternIsAnErrorNamingThePhraseAndRow) {
    const std::string tooLong =
        errorOf([] { parse("phrase tune\n  A-2~60 .~4\npattern p\n  1 lead: .~3 tune\norder p\n"); });
    EXPECT_NE(tooLong.find("song line 7"), std::string::npos) << tooLong;
    EXPECT_NE(tooLong.find("it would lose phrase tune row 61 from row 64 on"), std::string::npos) << tooLong;

    // The lyrics' fault: the "off" that ends the last note falls past the end and the note rings on.
    const std::string lostEnd =
        errorOf([] { parse("phrase tune\n  A-2~62 off~2\npattern p\n  1 lead: .~3 tune\norder p\n"); });
    EXPECT_NE(lostEnd.find("it would lose the note end ('off') of phrase tune row 62 on row 65"), std::string::npos)
        << lostEnd;

    const std::string plain = errorOf([] { parse("pattern p\n  1 lead: A-2~65\norder p\n"); });
    EXPECT_NE(plain.find("it would lose the channel line from row 64 on"), std::string::npos) << plain;
    EXPECT_EQ(errorOf([] { parse("pattern p\n  1 lead: A-2~64\norder p\n"); }), "");
}

TEST(ModuleSongText, AnEchoIsLateByItsRowsAndSilentOnEachBarsLastRow) {
    const Song song = parse(
        "phrase tune\n  A-2~4 C-3~10 E-3~2 G-3~16\n"
        "pattern p\n  0 lead: tune*2\n  1 lead: tune%10>3*2\norder p\n");
    EXPECT_EQ(cellAt(song, 0, 3, 1).note, cellAt(song, 0, 0, 0).note);
    EXPECT_EQ(cellAt(song, 0, 3, 1).effect, 0xC);
    EXPECT_EQ(cellAt(song, 0, 3, 1).parameter, 0x10);
    EXPECT_EQ(cellAt(song, 0, 7, 1).note, cellAt(song, 0, 4, 0).note);
    for (int bar = 0; bar < 4; ++bar) {
        const Cell& last = cellAt(song, 0, bar * 16 + 15, 1);
        EXPECT_EQ(last.note, -1) << "bar " << bar;
        EXPECT_EQ(last.effect, 0xC) << "bar " << bar;
        EXPECT_EQ(last.parameter, 0) << "bar " << bar;
    }
    // The E-3 on row 14 would start after the bar's last row: the echo leaves it out.
    for (int row = 0; row < 16; ++row)
        EXPECT_NE(cellAt(song, 0, row, 1).note, cellAt(song, 0, 14, 0).note) << row;
    EXPECT_EQ(cellAt(song, 0, 16 + 3, 1).note, cellAt(song, 0, 16, 0).note);

    const std::string partBar =
        errorOf([] { parse("phrase tune\n  A-2~8\npattern p\n  1 lead: tune>3*8\norder p\n"); });
    EXPECT_NE(partBar.find("whole bars"), std::string::npos) << partBar;
}

TEST(ModuleSongText, AHeldNoteSoundingMoreThan96RowsIsAnErrorNamingWhereItWasWritten) {
    const std::string song =
        "phrase tune\n  .~10 A-2~54\n"
        "pattern a\n  1 lead: tune\n"
        "pattern b\n  1 lead: .~44 off .~19\n"
        "pattern c\n  1 lead: .~43 off .~20\n";
    // The note on row 10 still sounds on row 43 of the next pattern, 97 rows later.
    const std::string rings = errorOf([&] { checkNoteEnds(parse(song + "order a b\n"), LOOPS); });
    EXPECT_NE(rings.find("pattern a channel 1 row 10 (phrase tune row 10)"), std::string::npos) << rings;
    EXPECT_NE(rings.find("97 rows later, at order 1 row 43"), std::string::npos) << rings;
    // Ended after 96 rows, or never ending because the sample does not loop: accepted.
    EXPECT_EQ(errorOf([&] { checkNoteEnds(parse(song + "order a c\n"), LOOPS); }), "");
    EXPECT_EQ(errorOf([&] {
                  checkNoteEnds(
                      parse("phrase tune\n  .~10 A-2@pluck~54\n" + song.substr(song.find("pattern a")) + "order a b\n"),
                      LOOPS);
              }),
              "");

    // A note silenced with volume 0 is heard again once its volume is raised.
    const std::string raised = errorOf([&] {
        checkNoteEnds(parse("pattern a\n  1 lead: A-2 off .~62\npattern b\n  1 lead: .~40 ---/C30 .~23\norder a b\n"),
                      LOOPS);
    });
    EXPECT_NE(raised.find("pattern a channel 1 row 0 (the channel line)"), std::string::npos) << raised;
    EXPECT_NE(raised.find("104 rows later, at order 1 row 40"), std::string::npos) << raised;
}

TEST(ModuleSongText, APhraseAtAVariantPlaysEachOfItsInstrumentsVariant) {
    const std::string variants =
        "inst 3 lead_open lead 60 C5 open\n"
        "inst 4 pluck_open pluck 44 C5\n"
        "phrase tune\n  A-2@lead~2 C-3@pluck~2 E-3~4\n";
    const Song song = parse(variants + "pattern p\n  0: tune tune@open\n  1 lead: tune@open\norder p\n");
    EXPECT_EQ(cellAt(song, 0, 0, 0).instrument, 1);
    EXPECT_EQ(cellAt(song, 0, 8, 0).instrument, 3);
    EXPECT_EQ(cellAt(song, 0, 10, 0).instrument, 4);
    EXPECT_EQ(cellAt(song, 0, 8, 0).note, cellAt(song, 0, 0, 0).note);
    // A note that names no instrument takes the channel line's, which the variant leaves alone.
    EXPECT_EQ(cellAt(song, 0, 4, 1).instrument, 1);

    const std::string missing = errorOf([&] { parse(variants + "pattern p\n  0: tune@bright\norder p\n"); });
    EXPECT_NE(missing.find("unknown instrument lead_bright"), std::string::npos) << missing;
}

TEST(ModuleSongText, EveryChannelCountThePlayerReadsIsWrittenSoThatItReadsIt) {
    for (int channels : {2, 3, 4, 6, 8, 9, 10, 13, 19, 20, 32}) {
        const Song song = parse("channels " + std::to_string(channels) + "\npattern p\n  " +
                                std::to_string(channels - 1) + " lead: A-2 off\norder p p\n");
        SampleData sample;  // the player refuses a module without sample data
        sample.name = "lead";
        sample.data.assign(256, 40);
        const std::vector<uint8_t> bytes = writeModule(song, {sample});
        EXPECT_EQ(protrackerModuleBytes(bytes.data(), bytes.size()), bytes.size()) << channels << " channels";
        ModPlugFile* file = ModPlug_Load(bytes.data(), static_cast<int>(bytes.size()));
        EXPECT_NE(file, nullptr) << channels << " channels";
        if (!file)
            continue;
        EXPECT_EQ(ModPlug_NumChannels(file), channels);
        ModPlug_Unload(file);
    }
    for (const std::string count : {"1", "33"})
        EXPECT_NE(errorOf([&] {
                      parse("channels " + count + "\npattern p\n  0 lead: A-2\norder p\n");
                  }).find("channels must be 2 to 32"),
                  std::string::npos)
            << count;
}

// The soundtrack's song text and the module the build made of it.
struct Soundtrack {
    Song song;
    std::vector<uint8_t> module;
    // Sample header fields in bytes: headers start at byte 20, 30 bytes each, words at 26 and 28.
    size_t loopStart(int slot) const { return 2 * word(20 + static_cast<size_t>(slot - 1) * 30 + 26); }
    size_t loopLength(int slot) const { return 2 * word(20 + static_cast<size_t>(slot - 1) * 30 + 28); }
    size_t word(size_t at) const { return static_cast<size_t>(module.at(at) << 8 | module.at(at + 1)); }
};

Soundtrack soundtrack() {
    std::ifstream text(TEST_SOURCE_DIR "/../tools/module/song/ondaris.song");
    EXPECT_TRUE(text) << "the song text is missing";
    std::ifstream in(MODULE_PATH, std::ios::binary);
    return {parseSong(text), std::vector<uint8_t>{std::istreambuf_iterator<char>(in), {}}};
}

TEST(ModuleSongText, TheSoundtrackEndsEveryHeldNote) {
    const Soundtrack sound = soundtrack();
    ASSERT_GT(sound.module.size(), 1084u);
    std::vector<bool> loops(32, false);
    for (int slot = 1; slot <= 31; ++slot)
        loops[static_cast<size_t>(slot)] = sound.loopLength(slot) > 2;
    EXPECT_GE(std::count(loops.begin(), loops.end(), true), 5) << "bass, lead, voice and pads loop";
    EXPECT_EQ(errorOf([&] { checkNoteEnds(sound.song, loops); }), "");
}

TEST(ModuleSongText, TheSoundtracksStruckChordsStartInsideTheirLoop) {
    // A hit strikes a pad with a sample offset (9xx, xx * 256 bytes) so that the chord sounds at
    // once, past its swell: the offset must land in the loop, whatever the swell's length.
    const Soundtrack sound = soundtrack();
    ASSERT_GT(sound.module.size(), 1084u);
    int struck = 0;
    for (const Pattern& pattern : sound.song.patterns) {
        for (const Cell& cell : pattern.cells) {
            if (cell.effect != 0x9 || cell.note < 0)
                continue;
            ++struck;
            const size_t offset = static_cast<size_t>(cell.parameter) * 256;
            EXPECT_GE(offset, sound.loopStart(cell.instrument)) << pattern.name << ": " << cell.phrase;
            EXPECT_LT(offset, sound.loopStart(cell.instrument) + sound.loopLength(cell.instrument)) << pattern.name;
        }
    }
    EXPECT_GT(struck, 0) << "the hits strike their chords past the swell";
}
