// Owns the precompiled Qt headers that the tests share.
