// Line reader over a byte source read in blocks of 2048 bytes. Carriage return, line feed and
// the zero byte end a line; a carriage return and line feed pair in either order counts once,
// so files with CR LF, LF or CR line ends read alike.
#pragma once

#include <cstdint>

inline constexpr int kLineFileBlockSize = 2048;

// Reads up to maxCount bytes of source into buffer and stores the count (0 at the end of the
// source) in *countRead. Returns 0 or a negative code.
typedef int (*LineFileBlockReader)(void* source, int maxCount, int* countRead, char* buffer);

struct LineFile {
    void* source = nullptr;                 // not owned
    LineFileBlockReader blockReader = nullptr;
    char block[kLineFileBlockSize + 1] = {};  // the block, and a zero byte after its end
    int bytesLeft = 0;                      // unread bytes of the current block
    const char* readPosition = block;
    int32_t linesRead = 0;                  // after a read: number (from 1) of the line returned
    char lastTerminator = '\0';
};

// The default block reader: source is a FILE* opened for binary reading; a stream error gives
// -5002.
int LineFile_ReadFromFile(void* source, int maxCount, int* countRead, char* buffer);

// A new line reader over source (nullptr reader selects LineFile_ReadFromFile), or nullptr
// when memory runs out.
LineFile* LineFile_New(LineFileBlockReader reader, void* source);

// Reads the next line into line (at least maxChars + 1 bytes): longer lines are cut to maxChars
// and their rest dropped. At the end of the source sets *endOfFile and returns an empty line.
// Returns 0 or the block reader's negative code (the partial line is terminated).
int LineFile_Read(LineFile* file, char* line, int maxChars, int* length, int* endOfFile);

// Releases the reader; the source stays open.
void LineFile_Dispose(LineFile* file);
