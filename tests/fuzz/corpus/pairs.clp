(f ((0 0) (5 1.5) (?x (g))))
(modify ?f (a 1) (b 2 3))
(duplicate (nth$ 0 ?l) (x 1))
