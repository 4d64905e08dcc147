#include "capture/CaptureOptions.h"

#include <set>
#include <utility>

namespace {

bool parseSize(const std::string& text, int32_t& width, int32_t& height) {
    size_t cross = text.find('x');
    return cross != std::string::npos && parseCount(text.substr(0, cross), MAX_CAPTURE_WIDTH, width) &&
           parseCount(text.substr(cross + 1), MAX_CAPTURE_HEIGHT, height) && width >= 16 && height >= 16;
}

}  // namespace

bool parseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options, std::string& error) {
    options = CaptureOptions{};
    std::set<std::string> given;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name;
        std::string value;
        bool hasValue = splitLongOption(args[i], name, value);
        if (name == "--help" || name == "-h" || name == "--quiet") {
            // As the show reads its flags: a value would be ignored, so it is refused.
            if (hasValue) {
                error = name + " takes no value";
                return false;
            }
            (name == "--quiet" ? options.quiet : options.help) = true;
            continue;
        }
        static const char* const VALUED[] = {"--size",     "--fps",   "--module",       "--from",
                                             "--until",    "--still", "--still-prefix", "--contact-sheet",
                                             "--sheet-by", "--video", "--wav",          "--hashes"};
        bool known = false;
        for (const char* option : VALUED) {
            known = known || name == option;
        }
        if (!known) {
            error = "unknown option \"" + name + "\" (see --help)";
            return false;
        }
        // Two files asked for and one made would pass unnoticed. (A setting given twice takes the
        // later value, as in the show.)
        const bool output = name == "--contact-sheet" || name == "--video" || name == "--wav" || name == "--hashes";
        if (output && !given.insert(name).second) {
            error = name + " is given twice: one file each (two WAVs take two runs)";
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value (see --help)";
                return false;
            }
            value = args[++i];
        }
        if (value.empty()) {
            error = name + " needs a non-empty value";
            return false;
        }
        if (name == "--size") {
            if (!parseSize(value, options.width, options.height)) {
                error = "bad size \"" + value + "\": give WIDTHxHEIGHT from 16x16 to " +
                        std::to_string(MAX_CAPTURE_WIDTH) + "x" + std::to_string(MAX_CAPTURE_HEIGHT);
                return false;
            }
        } else if (name == "--fps") {
            if (!parseCount(value, MAX_CAPTURE_FPS, options.fps) || options.fps < 1) {
                error = "bad frame rate \"" + value + "\": give a whole number from 1 to " +
                        std::to_string(MAX_CAPTURE_FPS);
                return false;
            }
        } else if (name == "--module") {
            options.modulePath = value;
        } else if (name == "--from") {
            if (!parseShowPosition(value, options.from, error)) {
                return false;
            }
            options.hasFrom = true;
        } else if (name == "--until") {
            if (!parseShowPosition(value, options.end, error)) {
                return false;
            }
            options.hasEnd = true;
        } else if (name == "--still") {
            ShowPosition still;
            if (!parseShowPosition(value, still, error)) {
                return false;
            }
            options.stills.push_back(still);
        } else if (name == "--still-prefix") {
            options.stillPrefix = value;
        } else if (name == "--contact-sheet") {
            options.contactSheetPath = value;
        } else if (name == "--sheet-by") {
            if (value == "order") {
                options.sheetGrouping = SheetGrouping::ByOrder;
            } else if (value == "scene") {
                options.sheetGrouping = SheetGrouping::ByScene;
            } else {
                error = "bad --sheet-by \"" + value + "\": give order or scene";
                return false;
            }
        } else if (name == "--video") {
            options.videoPath = value;
        } else if (name == "--wav") {
            options.wavPath = value;
        } else {
            options.hashesPath = value;
        }
    }
    if (options.help) {
        return true;
    }
    if (options.stills.empty() && options.contactSheetPath.empty() && options.videoPath.empty() &&
        options.wavPath.empty() && options.hashesPath.empty()) {
        error = "nothing to make: give --still, --contact-sheet, --video, --wav or --hashes (see --help)";
        return false;
    }
    if (options.hasFrom && options.hasEnd && options.from.byOrder == options.end.byOrder &&
        (options.from.byOrder
             ? std::make_pair(options.from.order, options.from.row) > std::make_pair(options.end.order, options.end.row)
             : options.from.timeMs > options.end.timeMs)) {
        error = "--from " + options.from.text + " lies after --until " + options.end.text;
        return false;
    }
    if (!options.videoPath.empty() && (options.width % 2 != 0 || options.height % 2 != 0)) {
        error = "the video needs an even width and height (H.264 in yuv420p), not " + std::to_string(options.width) +
                "x" + std::to_string(options.height);
        return false;
    }
    return true;
}

std::string stillFileName(const std::string& prefix, const ShowPosition& position) {
    std::string name = position.text;
    for (char& c : name) {
        if (c == ':') {
            c = '-';
        }
    }
    return prefix + name + ".png";
}

std::string captureUsage() {
    return R"(Usage: kavex_capture [options]

Renders the show offline on a fixed clock, frame by frame, with the show's own set-up,
timeline and composition, and writes the frames and the music to files. It runs headless
(SDL's offscreen video driver, Mesa) from the build directory, where Assets/ lies.
Several outputs can be made in one run. Every frame's timeline and music is stepped, but
only the frames an output needs are drawn, so a still anywhere takes seconds; the result
is the same, pixel for pixel and sample for sample, as drawing every frame.

Outputs (at least one):
  --still POS            PNG of the first frame at or past POS; repeat for more stills
  --still-prefix P       file name prefix of the stills (default "still_"): --still 5:0
                         writes still_5-0.png, --still 12.5s writes still_12.5s.png
  --contact-sheet FILE   one PNG with a labelled thumbnail per order position or per scene
  --sheet-by order|scene thumbnail per order position (default) or per scene
  --video FILE           MP4: H.264 (yuv420p) with the music as AAC, through ffmpeg
  --wav FILE             the music alone, 44100 Hz 16-bit stereo
  --hashes FILE          one line a frame: frame, time, order, row, picture and sound hashes

Run:
  --size WxH             frame size (default 1920x1080); 16:9 sizes give the whole
                         design frame, others are letterboxed like the show's window
  --fps N                frames a second of the fixed clock, 1 to 60 (default 60); the
                         show's per-frame motions are tuned to 60, at 30 they run slower
  --from POS             start the video, WAV, hashes and contact sheet at the first
                         frame at or past POS (default: the start of the music); stills
                         are taken wherever they fall
  --until POS            stop after the first frame at or past POS (default: the end of
                         the music, as the show ends)
  --module FILE          another module instead of Assets/ondaris.mod
  --quiet                no progress line
  --help                 this text

Positions (POS):
  12.5s or 1500ms        time since the music started (decimal digits and one point)
  ORDER:ROW              order position and row of the module, e.g. 5:0

Clock: frame k (from 0) shows the show at (k + 1) x 1000 / fps ms after the music started,
rounded down, and its sound is the music from the previous frame's end to that moment,
to the sample. The show clock reads 1000 ms when the music starts (the show's own reads
SDL's tick count then).
Outputs are checked before the first frame: two outputs naming the same file, an output
naming the module or a file in the show's Assets folder, a folder, device or named pipe
given as a file, a missing or unwritable folder, a video name not ending in .mp4, .m4v,
.mov or .mkv, a still at an order the module does not have, or --from after --until end
the run at once. An output given twice (--wav a.wav --wav b.wav) is refused; a setting
given twice takes the later value. A link is followed: the file it names is written.
The WAV, hash file, stills and sheet are written under a hidden name and take their own
once whole. A run that fails later, or is stopped by Ctrl-C, SIGTERM, SIGHUP or SIGQUIT
(within a frame), removes every file it wrote and names them; an output it had not
finished never replaced the older file of its name.
Exit status: 0 when every output was written, 1 when the run failed, 2 on bad options
or outputs refused before the first frame, 128 + the signal when stopped (130 Ctrl-C,
143 SIGTERM, 129 SIGHUP, 131 SIGQUIT).
)";
}
