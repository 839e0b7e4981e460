// A program that carries the resources and does nothing: the resource check
// reads them back out of it.
int main() { return 0; }
