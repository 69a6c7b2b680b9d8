/*
 * A host program in C: opens the audit form of a project database and returns when the auditor has
 * closed it.
 *
 *   cc -o c-host host.c $(pkg-config --cflags --libs torva)
 *   c-host PROJECT_DB [STAGE [OWNER_AMOUNT [CONTRACTOR_AMOUNT]]]
 *
 * The form looks for Data/GL.mgl, and writes SJKS.txt, in the folder of this program (see
 * <torva/torva.h>): put c-host in a folder of its own, with Data/GL.mgl beside it (a link to the
 * installed share/torva/GL.mgl will do).
 */
#include <stdio.h>
#include <stdlib.h>

#include <torva/torva.h>

static double Amount(const char* text) {
  char* end = NULL;
  double value = strtod(text, &end);
  if (end == text || *end != '\0') {
    fprintf(stderr, "c-host: '%s' is not an amount\n", text);
    exit(2);
  }
  return value;
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 5) {
    fprintf(stderr, "usage: %s PROJECT_DB [STAGE [OWNER_AMOUNT [CONTRACTOR_AMOUNT]]]\n", argv[0]);
    return 2;
  }
  const char* stage = argc > 2 ? argv[2] : "4";
  double owner = argc > 3 ? Amount(argv[3]) : 0.0;
  double contractor = argc > 4 ? Amount(argv[4]) : 0.0;

  printf("c-host: opening the audit form of %s at audit stage %s\n", argv[1], stage);
  fflush(stdout);
  OpenForm(argv[1], stage, NULL, NULL, owner, contractor);
  printf("c-host: the form has closed\n");
  return 0;
}
