#ifndef AVSYNC_SIGNATURE_H
#define AVSYNC_SIGNATURE_H
/* A frame's colour signature: the mean red, green and blue of each cell of a 32 x 18 grid, top row
   first. Plain C, shared by the library preloaded into the show and by the program that reads its
   log, so that both reduce a picture the same way. */

#define SIGNATURE_COLUMNS 32
#define SIGNATURE_ROWS 18
#define SIGNATURE_BYTES (SIGNATURE_COLUMNS * SIGNATURE_ROWS * 3)

/* `pixels` holds `height` rows of `width` pixels of `channels` bytes (red, green, blue first),
   `stride` bytes apart; `bottomUp` when the first row is the picture's bottom one (OpenGL's). */
static inline void frameSignature(const unsigned char* pixels, int width, int height, int channels, int stride,
                                  int bottomUp, unsigned char* signature) {
    for (int cy = 0; cy < SIGNATURE_ROWS; ++cy) {
        for (int cx = 0; cx < SIGNATURE_COLUMNS; ++cx) {
            unsigned long sum[3] = {0, 0, 0};
            unsigned long count = 0;
            for (int y = cy * height / SIGNATURE_ROWS; y < (cy + 1) * height / SIGNATURE_ROWS; ++y) {
                const unsigned char* row = pixels + (long)(bottomUp ? height - 1 - y : y) * stride;
                for (int x = cx * width / SIGNATURE_COLUMNS; x < (cx + 1) * width / SIGNATURE_COLUMNS; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += row[x * channels + c];
                    }
                    ++count;
                }
            }
            for (int c = 0; c < 3; ++c) {
                signature[(cy * SIGNATURE_COLUMNS + cx) * 3 + c] = (unsigned char)(count > 0 ? sum[c] / count : 0);
            }
        }
    }
}

#endif
