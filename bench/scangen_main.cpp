#include "bench/scangen.h"
int main() { return 0; }
