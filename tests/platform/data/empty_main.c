/* The program of the version-resource test executables; only its resources matter. */
int main(void) { return 0; }
