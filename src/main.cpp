#include "RoSystem/RunDriver.h"

int main(int argc, char** argv) { return kestal::RunKestal(argc, argv); }
