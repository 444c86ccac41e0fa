const n = 1000_;
