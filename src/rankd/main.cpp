// ruvel-rankd: the ranking server for games' Ranking submissions.
#include "rankd/cli.h"

int main(int argc, char** argv) { return ruvel::rankd::RunRankd(argc, argv); }
