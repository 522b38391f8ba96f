/* The library's platform for a web browser, built with emscripten. The
 * library's own build writes this header for the platforms it knows. */
#define ALLEGRO_WEB

#define ALLEGRO_NO_ASM
#define ALLEGRO_USE_C
