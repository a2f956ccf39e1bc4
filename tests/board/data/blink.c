/* A tiny 8051 program: counts on port 1 (the sample image the loader tests read). */
__sfr __at (0x90) P1;
__xdata __at (0xE000) unsigned char scratch[16];

static const unsigned char pattern[] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};

void main(void) {
    unsigned char i = 0;
    for (;;) {
        unsigned int d;
        P1 = pattern[i & 7];
        scratch[i & 15] = i;
        ++i;
        for (d = 0; d < 20000; ++d) {
        }
    }
}
