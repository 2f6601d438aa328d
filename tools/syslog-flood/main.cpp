// Placeholder until the traffic generator lands.
int main() { return 2; }
