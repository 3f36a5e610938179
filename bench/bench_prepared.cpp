// Placeholder: the prepared-pages benchmark is being written.
int main() { return 0; }
