/* <torva/torva.h> compiles on its own, as C99 and as C++, and declares OpenForm with the signature
   hosts call (a changed argument list fails this assignment). */
#include <torva/torva.h>

typedef void (*OpenFormFn)(const char*, const char*, const char*, const char*, double, double);

int main(void) {
  OpenFormFn open_form = OpenForm;
  return open_form == 0;
}
