// quillard-cli: the headless front end.
int main() { return 0; }
