// The Larkspur library, larkspur.dll: the studio's colour arithmetic. It needs
// no C runtime and imports nothing; its version resource (larkspur.rc)
// carries the release's version.
#include <windows.h>

// The mix of two 0xRRGGBB colours, channel by channel, weight in 0..256.
__declspec(dllexport) unsigned LarkspurMix(unsigned a, unsigned b, unsigned weight) {
  unsigned mixed = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const unsigned x = (a >> shift) & 0xff, y = (b >> shift) & 0xff;
    mixed |= ((x * (256 - weight) + y * weight) >> 8) << shift;
  }
  return mixed;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
