# The fuzz targets: NAME:LIBRARY, built from fuzz/NAME_fuzz.cpp, seeds in fuzz/corpus/NAME.
set(BRUNOLT_FUZZ_TARGETS
  picture:brunolt_game
  number_text:brunolt_value
  music_macro:brunolt_value
  input_field:brunolt_value
  high_scores:brunolt_game
  replay_script:brunolt_replay)
