/* A small shared library of the audio tests: the module loader imports from
 * it by name and by ordinal, and the memory loader maps it from bytes. */
int kestrel_test_counter = 0;

int kestrel_test_answer(void) {
    return 42;
}

int kestrel_test_count(void) {
    return ++kestrel_test_counter;
}
