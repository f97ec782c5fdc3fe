(deffunction sq (?x) "square" (* ?x ?x))
(sq 4)
