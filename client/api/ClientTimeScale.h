#pragma once

// The client's long waits (minutes between retries, a minute without a byte)
// as its timers run them. Tests that cannot wait minutes shrink them all with
// one factor; the program itself never sets it.
namespace ClientTimeScale {

// ms times the factor, at least 1 and at most what a timer holds.
int scaled(int ms);
void setForTests(double factor);

} // namespace ClientTimeScale
