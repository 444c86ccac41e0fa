function f() {
  if (x) {
    return 1;
}
