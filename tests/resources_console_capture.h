#pragma once
// Captures what the process writes to standard output and standard error, either into one
// text (to check the order of lines across both streams) or into two (to check which
// stream each line went to).
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

class ConsoleCapture {
public:
    // merged: both streams go to one file, in the order they were written.
    explicit ConsoleCapture(bool merged) : merged_(merged) {
        flushAll();
        savedOut_ = dup(STDOUT_FILENO);
        savedErr_ = dup(STDERR_FILENO);
        outFile_ = std::tmpfile();
        errFile_ = merged ? outFile_ : std::tmpfile();
        dup2(fileno(outFile_), STDOUT_FILENO);
        dup2(fileno(errFile_), STDERR_FILENO);
    }

    ~ConsoleCapture() { restore(); }

    // Stops capturing; afterwards out() (and err() when not merged) hold the text.
    void restore() {
        if (savedOut_ < 0) {
            return;
        }
        flushAll();
        dup2(savedOut_, STDOUT_FILENO);
        dup2(savedErr_, STDERR_FILENO);
        close(savedOut_);
        close(savedErr_);
        savedOut_ = savedErr_ = -1;
        out_ = readAll(outFile_);
        if (!merged_) {
            err_ = readAll(errFile_);
            std::fclose(errFile_);
        }
        std::fclose(outFile_);
    }

    const std::string& out() {
        restore();
        return out_;
    }
    const std::string& err() {
        restore();
        return err_;
    }

private:
    static void flushAll() {
        std::cout.flush();
        std::cerr.flush();
        std::fflush(stdout);
        std::fflush(stderr);
    }

    static std::string readAll(FILE* file) {
        std::string text;
        std::rewind(file);
        char buffer[4096];
        size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
            text.append(buffer, count);
        }
        return text;
    }

    bool merged_;
    int savedOut_ = -1;
    int savedErr_ = -1;
    FILE* outFile_ = nullptr;
    FILE* errFile_ = nullptr;
    std::string out_;
    std::string err_;
};
