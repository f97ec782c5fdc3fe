(eq 1 1) (and TRUE (or FALSE (not FALSE))) (create$ a "b" 3)
(parse "(+ 1

(2)")
