// The updater program. Window-less for now: it starts and ends at once.
int main() {
  return 0;
}
