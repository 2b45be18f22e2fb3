// Linked with every object of one subsystem library and the libraries below it: the link fails
// when the subsystem calls a function defined in a layer above it.
int main() {
  return 0;
}
